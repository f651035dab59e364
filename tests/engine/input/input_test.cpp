// The input group driven by real SDL events: each test scripts the events that
// arrive before each frame, pushes them into SDL's queue, and lets the engine's
// own frame loop poll and dispatch them.
#include "engine/core/engine_impl.h"
#include "engine/input/keys.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, SDL_Scancode sc, bool repeat = false, Uint16 mod = 0) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = sc;
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event buttonEvent(Uint32 type, Uint8 button, Uint8 clicks = 1) {
    SDL_Event e{};
    e.type = type;
    e.button.button = button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = clicks;
    return e;
}

SDL_Event motionEvent(int xrel, int yrel) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.xrel = xrel;
    e.motion.yrel = yrel;
    return e;
}

SDL_Event wheelEvent(int y, bool flipped = false) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = y;
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    return e;
}

std::vector<InputEvent> drain(Engine* engine) {
    std::vector<InputEvent> out;
    InputEvent e;
    while (engine->Input_NextEvent(&e)) out.push_back(e);
    return out;
}

// The frame callback takes no arguments: the running script is global.
struct Script {
    std::vector<std::vector<SDL_Event>> before;  // events arriving before frame i
    std::function<void(int)> frame;              // what frame i sees and does
    int ran = 0;
};
Script* g_script = nullptr;

void pushBatch(size_t i) {
    if (i >= g_script->before.size()) return;
    for (SDL_Event e : g_script->before[i]) ASSERT_EQ(SDL_PushEvent(&e), 1);
}

bool scriptFrame() {
    Script& s = *g_script;
    s.frame(s.ran);
    ++s.ran;
    if (static_cast<size_t>(s.ran) >= s.before.size()) return true;
    pushBatch(static_cast<size_t>(s.ran));
    return false;
}

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = engineCreateHeadless(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        engine->System_SetState(STATE_SCREEN_WIDTH, 640);
        engine->System_SetState(STATE_SCREEN_HEIGHT, 480);
        engine->System_SetState(STATE_SOUND, false);
        ASSERT_TRUE(engine->System_Initiate()) << engine->System_LastError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override {
        if (engine) engine->Release();
        g_script = nullptr;
    }

    // Runs the engine's loop for as many frames as the script has batches.
    void run(Script& script) {
        g_script = &script;
        engine->System_SetState(STATE_FRAME_FUNC, scriptFrame);
        pushBatch(0);
        ASSERT_TRUE(engine->System_Start());
        EXPECT_EQ(static_cast<size_t>(script.ran), script.before.size());
    }

    Engine* engine = nullptr;
};

TEST_F(InputTest, HeldKeyIsPressedOneFrameWhileItsRepeatsQueueEvents) {
    Script s;
    s.before = {
        {keyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W)},
        {keyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, true), keyEvent(SDL_KEYDOWN, SDLK_w, SDL_SCANCODE_W, true)},
        {},
        {keyEvent(SDL_KEYUP, SDLK_w, SDL_SCANCODE_W)},
    };
    s.frame = [&](int f) {
        std::vector<InputEvent> ev = drain(engine);
        switch (f) {
        case 0:
            EXPECT_TRUE(engine->Input_KeyPressed('W'));
            EXPECT_FALSE(engine->Input_KeyReleased('W'));
            ASSERT_EQ(ev.size(), 1u);
            EXPECT_EQ(ev[0].type, INPUT_KEYDOWN);
            EXPECT_EQ(ev[0].key, 'W');
            EXPECT_EQ(ev[0].flags & INP_REPEAT, 0);
            EXPECT_EQ(ev[0].chr, 'w');
            EXPECT_EQ(engine->Input_LastKey(), 'W');
            EXPECT_EQ(engine->Input_LastChar(), 'w');
            break;
        case 1:
            EXPECT_FALSE(engine->Input_KeyPressed('W'));
            ASSERT_EQ(ev.size(), 2u);
            for (const InputEvent& e : ev) {
                EXPECT_EQ(e.type, INPUT_KEYDOWN);
                EXPECT_EQ(e.key, 'W');
                EXPECT_EQ(e.flags & INP_REPEAT, INP_REPEAT);
            }
            EXPECT_EQ(engine->Input_LastKey(), 'W');  // repeats still count as the last key
            break;
        case 2:
            EXPECT_TRUE(ev.empty());
            EXPECT_FALSE(engine->Input_KeyPressed('W'));
            EXPECT_EQ(engine->Input_LastKey(), 0);
            break;
        case 3:
            EXPECT_TRUE(engine->Input_KeyReleased('W'));
            EXPECT_FALSE(engine->Input_KeyPressed('W'));
            ASSERT_EQ(ev.size(), 1u);
            EXPECT_EQ(ev[0].type, INPUT_KEYUP);
            EXPECT_EQ(engine->Input_LastKey(), 0);  // a release is no last key
            break;
        }
    };
    run(s);
}

TEST_F(InputTest, PressAndReleaseBeforeOneFrameSetBothBitsForThatFrameOnly) {
    Script s;
    s.before = {
        {keyEvent(SDL_KEYDOWN, SDLK_SPACE, SDL_SCANCODE_SPACE), keyEvent(SDL_KEYUP, SDLK_SPACE, SDL_SCANCODE_SPACE),
         buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT)},
        {},
    };
    s.frame = [&](int f) {
        bool expected = f == 0;
        EXPECT_EQ(engine->Input_KeyPressed(KEY_SPACE), expected);
        EXPECT_EQ(engine->Input_KeyReleased(KEY_SPACE), expected);
        EXPECT_EQ(engine->Input_KeyPressed(KEY_RBUTTON), expected);
        EXPECT_EQ(engine->Input_KeyReleased(KEY_RBUTTON), expected);
        EXPECT_FALSE(engine->Input_KeyPressed(KEY_LBUTTON));
        EXPECT_EQ(drain(engine).size(), expected ? 4u : 0u);
    };
    run(s);
}

TEST_F(InputTest, DoubleClickGivesTwoDownEventsTheSecondMarkedRepeat) {
    Script s;
    s.before = {{buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1), buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1),
                 buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2), buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 2)}};
    s.frame = [&](int) {
        std::vector<InputEvent> ev = drain(engine);
        ASSERT_EQ(ev.size(), 4u);
        EXPECT_EQ(ev[0].type, INPUT_MBUTTONDOWN);
        EXPECT_EQ(ev[0].key, KEY_LBUTTON);
        EXPECT_EQ(ev[0].flags & INP_REPEAT, 0);
        EXPECT_EQ(ev[1].type, INPUT_MBUTTONUP);
        EXPECT_EQ(ev[2].type, INPUT_MBUTTONDOWN);
        EXPECT_EQ(ev[2].key, KEY_LBUTTON);
        EXPECT_EQ(ev[2].flags & INP_REPEAT, INP_REPEAT);
        EXPECT_EQ(ev[3].type, INPUT_MBUTTONUP);
        EXPECT_TRUE(engine->Input_KeyPressed(KEY_LBUTTON));
        EXPECT_TRUE(engine->Input_KeyReleased(KEY_LBUTTON));
        EXPECT_EQ(engine->Input_LastKey(), KEY_LBUTTON);
    };
    run(s);
}

TEST_F(InputTest, WheelNotchesShowForExactlyOneFrame) {
    Script s;
    s.before = {{wheelEvent(1), wheelEvent(2)}, {}, {wheelEvent(-1), wheelEvent(1, true)}};
    s.frame = [&](int f) {
        std::vector<InputEvent> ev = drain(engine);
        if (f == 0) {
            EXPECT_EQ(engine->Input_Wheel(), 3);
            ASSERT_EQ(ev.size(), 2u);
            EXPECT_EQ(ev[0].type, INPUT_MOUSEWHEEL);
            EXPECT_EQ(ev[0].wheel, 1);
            EXPECT_EQ(ev[1].wheel, 2);
            EXPECT_EQ(ev[1].key, 0);
        } else if (f == 1) {
            EXPECT_EQ(engine->Input_Wheel(), 0);
            EXPECT_TRUE(ev.empty());
        } else {
            // A flipped wheel reports the physical direction: both notches toward the user.
            EXPECT_EQ(engine->Input_Wheel(), -2);
        }
    };
    run(s);
}

// What the game does every frame: the offset from the centre is the movement,
// then the pointer goes back to the centre.
TEST_F(InputTest, PointerMovementBetweenFramesEqualsTheRelativeMotionAlsoAfterWarps) {
    const std::vector<std::vector<std::pair<int, int>>> motion = {
        {}, {{5, -3}, {7, 2}}, {{-10, 0}}, {}, {{1, 1}, {1, 1}, {1, 1}}, {{-40, 25}},
    };
    Script s;
    for (const auto& batch : motion) {
        std::vector<SDL_Event> events;
        for (auto m : batch) events.push_back(motionEvent(m.first, m.second));
        s.before.push_back(events);
    }
    s.frame = [&](int f) {
        float x = 0, y = 0;
        engine->Input_MousePos(&x, &y);
        if (f > 0) {
            int dx = 0, dy = 0;
            for (auto m : motion[static_cast<size_t>(f)]) {
                dx += m.first;
                dy += m.second;
            }
            EXPECT_FLOAT_EQ(x - 320.0f, static_cast<float>(dx)) << "frame " << f;
            EXPECT_FLOAT_EQ(y - 240.0f, static_cast<float>(dy)) << "frame " << f;
            std::vector<InputEvent> ev = drain(engine);
            ASSERT_EQ(ev.size(), motion[static_cast<size_t>(f)].size());
            if (!ev.empty()) {
                EXPECT_EQ(ev.back().type, INPUT_MOUSEMOVE);
                EXPECT_FLOAT_EQ(ev.back().x, x);
                EXPECT_FLOAT_EQ(ev.back().y, y);
            }
        }
        engine->Input_WarpMouse(320.7f, 240.2f);  // truncated to the whole pixel
        engine->Input_MousePos(&x, &y);
        EXPECT_FLOAT_EQ(x, 320.0f);
        EXPECT_FLOAT_EQ(y, 240.0f);
    };
    run(s);
}

TEST_F(InputTest, PointerIsClampedToTheScreen) {
    Script s;
    s.before = {{motionEvent(5000, -5000)}, {motionEvent(-1, 1)}};
    s.frame = [&](int f) {
        float x = 0, y = 0;
        engine->Input_MousePos(&x, &y);
        if (f == 0) {
            EXPECT_FLOAT_EQ(x, 639.0f);
            EXPECT_FLOAT_EQ(y, 0.0f);
        } else {
            EXPECT_FLOAT_EQ(x, 638.0f);
            EXPECT_FLOAT_EQ(y, 1.0f);
        }
    };
    engine->Input_WarpMouse(100, 100);
    run(s);
}

TEST_F(InputTest, ButtonHeldKeepsThePointerInsideAndReleasePutsItOnAWholePixel) {
    Script s;
    s.before = {{buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE)},
                {motionEvent(3, 4)},
                {buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE)},
                {}};
    s.frame = [&](int f) {
        std::vector<InputEvent> ev = drain(engine);
        // Headless there is no window under the pointer: inside only while captured.
        EXPECT_EQ(engine->Input_MouseInside(), f < 2) << "frame " << f;
        if (f == 2) {
            ASSERT_EQ(ev.size(), 1u);
            EXPECT_EQ(ev[0].type, INPUT_MBUTTONUP);
            EXPECT_EQ(ev[0].key, KEY_MBUTTON);
            EXPECT_FLOAT_EQ(ev[0].x, 13.0f);
            EXPECT_FLOAT_EQ(ev[0].y, 24.0f);
            EXPECT_TRUE(engine->Input_KeyReleased(KEY_MBUTTON));
        }
    };
    engine->Input_WarpMouse(10, 20);
    run(s);
}

TEST_F(InputTest, ModifiersGiveFlagsAndCharacters) {
    Script s;
    s.before = {{
        keyEvent(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, false, KMOD_LSHIFT),
        keyEvent(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, false, KMOD_LSHIFT | KMOD_CAPS),
        keyEvent(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, false, KMOD_RCTRL),
        keyEvent(SDL_KEYDOWN, SDLK_1, SDL_SCANCODE_1, false, KMOD_RSHIFT | KMOD_NUM),
        keyEvent(SDL_KEYDOWN, SDLK_KP_7, SDL_SCANCODE_KP_7, false, KMOD_NUM | KMOD_SCROLL | KMOD_LALT),
        keyEvent(SDL_KEYDOWN, SDLK_KP_7, SDL_SCANCODE_KP_7, false, 0),
        keyEvent(SDL_KEYDOWN, SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, false, KMOD_SHIFT),
        keyEvent(SDL_KEYDOWN, SDLK_F5, SDL_SCANCODE_F5),
    }};
    s.frame = [&](int) {
        std::vector<InputEvent> ev = drain(engine);
        ASSERT_EQ(ev.size(), 8u);
        EXPECT_EQ(ev[0].chr, 'A');
        EXPECT_EQ(ev[0].flags, INP_SHIFT);
        EXPECT_EQ(ev[1].chr, 'a');
        EXPECT_EQ(ev[1].flags, INP_SHIFT | INP_CAPSLOCK);
        EXPECT_EQ(ev[2].chr, 1);
        EXPECT_EQ(ev[2].flags, INP_CTRL);
        EXPECT_EQ(ev[3].key, '1');
        EXPECT_EQ(ev[3].chr, '!');
        EXPECT_EQ(ev[3].flags, INP_SHIFT | INP_NUMLOCK);
        EXPECT_EQ(ev[4].key, KEY_NUMPAD0 + 7);
        EXPECT_EQ(ev[4].chr, '7');
        EXPECT_EQ(ev[4].flags, INP_NUMLOCK | INP_SCROLLLOCK | INP_ALT);
        EXPECT_EQ(ev[5].chr, 0);  // Num Lock off: no digit
        EXPECT_EQ(ev[6].key, KEY_APOSTROPHE);
        EXPECT_EQ(ev[6].chr, '"');
        EXPECT_EQ(ev[7].key, KEY_F1 + 4);
        EXPECT_EQ(ev[7].chr, 0);
        EXPECT_EQ(engine->Input_LastKey(), KEY_F1 + 4);
        EXPECT_EQ(engine->Input_LastChar(), 0);
    };
    run(s);
}

TEST_F(InputTest, EventsThatTheFrameDidNotReadAreGoneInTheNext) {
    Script s;
    s.before = {{keyEvent(SDL_KEYDOWN, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), motionEvent(1, 0)},
                {keyEvent(SDL_KEYDOWN, SDLK_b, SDL_SCANCODE_B)}};
    s.frame = [&](int f) {
        if (f == 0) {
            EXPECT_TRUE(engine->Input_KeyPressed(KEY_ESCAPE));
            return;  // reads nothing
        }
        std::vector<InputEvent> ev = drain(engine);
        ASSERT_EQ(ev.size(), 1u);
        EXPECT_EQ(ev[0].key, 'B');
        EXPECT_FALSE(engine->Input_KeyPressed(KEY_ESCAPE));
    };
    run(s);
}

TEST_F(InputTest, KeyEventsTakeThePointerPosition) {
    engine->Input_WarpMouse(123, 45);
    EngineImpl* impl = engineImpl();
    impl->dispatchEvent(keyEvent(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN));
    InputEvent e;
    ASSERT_TRUE(engine->Input_NextEvent(&e));
    EXPECT_EQ(e.key, KEY_ENTER);
    EXPECT_EQ(e.chr, '\r');
    EXPECT_FLOAT_EQ(e.x, 123.0f);
    EXPECT_FLOAT_EQ(e.y, 45.0f);
    EXPECT_FALSE(engine->Input_NextEvent(&e));
    impl->input().clearFrame();
}

TEST(InputKeys, NamesOfASampleOfCodes) {
    Engine* engine = engineCreateHeadless(ENGINE_VERSION);
    ASSERT_NE(engine, nullptr);
    const std::pair<int, const char*> names[] = {
        {1, "Left Mouse Button"}, {2, "Right Mouse Button"}, {3, "?"},        {4, "Middle Mouse Button"},
        {13, "Enter"},            {20, "Caps Lock"},         {27, "Escape"},  {32, "Space"},
        {40, "Down Arrow"},       {48, "0"},                 {57, "9"},       {58, "?"},
        {65, "A"},                {90, "Z"},                 {93, "Application"}, {96, "NumPad 0"},
        {105, "NumPad 9"},        {108, "?"},                {110, "Decimal"}, {112, "F1"},
        {123, "F12"},             {124, "?"},                {145, "Scroll Lock"}, {186, "Semicolon"},
        {192, "Grave"},           {219, "Left bracket"},     {222, "Apostrophe"}, {255, "?"},
        {0, "?"},                 {-1, "?"},                 {256, "?"},
    };
    for (const auto& n : names) EXPECT_STREQ(engine->Input_KeyName(n.first), n.second) << n.first;
    engine->Release();
}

TEST(InputKeys, SdlKeysMapOntoTheEngineCodes) {
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode sc;
        int code;
    };
    const Case cases[] = {
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27},   {SDLK_SPACE, SDL_SCANCODE_SPACE, 32},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},       {SDLK_UP, SDL_SCANCODE_UP, 38},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 39},     {SDLK_DOWN, SDL_SCANCODE_DOWN, 40},
        {SDLK_F1, SDL_SCANCODE_F1, 112},          {SDLK_F12, SDL_SCANCODE_F12, 123},
        {SDLK_KP_0, SDL_SCANCODE_KP_0, 96},       {SDLK_KP_9, SDL_SCANCODE_KP_9, 105},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 16},   {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 16},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 17},     {SDLK_LALT, SDL_SCANCODE_LALT, 18},
        {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 186}, {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 222},
        {SDLK_z, SDL_SCANCODE_Z, 'Z'},            {SDLK_0, SDL_SCANCODE_0, '0'},
        // A layout that puts another letter on a key: the letter counts.
        {SDLK_z, SDL_SCANCODE_Y, 'Z'},
        // A layout without a Latin keycode there: the key's position counts.
        {0x0444, SDL_SCANCODE_A, 'A'},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 13}, {SDLK_MUTE, SDL_SCANCODE_MUTE, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(keyCodeFromSdl(c.sym, c.sc), c.code) << SDL_GetScancodeName(c.sc);
}

}  // namespace
