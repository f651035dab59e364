// What the game tells a player: the controls card of the title screen, the hints
// of the player's first round, the hint for blocked pedals and the pointer to the
// cave in every played round, and the notices of the sound switches. It
// only watches: nothing here changes the round, draws from the generator or goes
// into the input log, and none of it is shown while a demo plays.
#pragma once

class World;

enum class Hint {
    None,
    Grab,  // until the paw first holds something
    Food,  // once something the bear can eat has fallen in, until the first bite
    Pedals,  // a loose thing holds a pedal down, or keeps a pushed one up
};

// The pedal hint shows for four seconds once the pedals have been stuck for
// most of a second, at most three times a year, and not again within ten seconds.
constexpr int PEDAL_STUCK_FRAMES = 45;
constexpr int PEDAL_HINT_FRAMES = 240;
constexpr int PEDAL_HINT_GAP_FRAMES = 600;
constexpr int PEDAL_HINT_SHOWS = 3;

// The key that switches the pointer to the cave on and off in play.
constexpr int CAVE_POINTER_KEY = 'C';

// A notice stays for two seconds of frames.
constexpr int NOTICE_FRAMES = 120;

class Help {
public:
    // The title screen's keys for the card: F1 or H opens it (not while a demo
    // plays or a fade-out runs). A click, Space, Enter or Right turns to the next
    // page, Left or Backspace back; on the last page those close it, and any other
    // key closes it on any page. True when the card has this frame's input, the
    // closing key or click included.
    bool takeTitleInput(bool canOpen);
    bool cardOpen() const { return cardPage_ > 0; }
    // 1 to CARD_PAGES while open, 0 closed.
    int cardPage() const { return cardPage_; }
    static constexpr int CARD_PAGES = 3;

    // A round begins: the first one of the run that the player plays has the
    // first hints; every played round has the pedal hint and the cave pointer.
    void roundStarted(bool playingBack);
    // The player's keys in play: the cave pointer's switch, with a notice.
    void takePlayInput();
    bool cavePointerOn() const { return cavePointer_; }
    // After an update of the player's round: what the bear has done so far.
    void watchRound(const World& round);
    Hint hint() const;

    // Shows a notice for NOTICE_FRAMES frames, in place of any other; a copy of
    // the text, cut to what fits on the picture.
    void notice(const char* text);
    // One frame passes.
    void step();
    // Null when there is none.
    const char* noticeText() const { return noticeFrames_ > 0 ? notice_ : nullptr; }

private:
    int cardPage_ = 0;
    bool played_ = false;  // the round is the player's, not a demo
    bool cavePointer_ = true;
    int pedalFrames_ = 0;  // stuck so long; below 0 while the hint may not come back
    int pedalHintFrames_ = 0;
    int pedalHints_ = 0;
    bool hintsGiven_ = false;  // the run's first played round has begun
    bool hintsOn_ = false;
    bool grabbed_ = false;
    bool foodIn_ = false;
    bool bitten_ = false;
    char notice_[64] = {};
    int noticeFrames_ = 0;
};
