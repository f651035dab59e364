// The workloads on SFML through its public API: an sf::Sprite per sprite; all sprites
// as quads of one sf::VertexArray in one draw; the same quads sent into an
// sf::VertexBuffer (a streaming buffer object) and drawn from there. The quads are
// filled again every frame, as a game whose sprites move must. With --loop, SFML's
// own frame limiter at 60 frames a second instead.
#include "tools/peer_bench/child_options.h"
#include "tools/peer_bench/frame_timer.h"
#include "tools/peer_bench/workload.h"

#include <SFML/Graphics.hpp>

using namespace peer_bench;

namespace {

void pumpEvents(sf::RenderWindow& window) {
    sf::Event event;
    while (window.pollEvent(event)) {
    }
}

void fillQuads(sf::VertexArray& quads, const std::vector<Placement>& places, int size) {
    const float s = static_cast<float>(size);
    for (size_t i = 0; i < places.size(); ++i) {
        const float x = static_cast<float>(places[i].x), y = static_cast<float>(places[i].y);
        const float u = static_cast<float>(places[i].cellX * size), v = static_cast<float>(places[i].cellY * size);
        sf::Vertex* q = &quads[i * 4];
        q[0].position = {x, y};
        q[1].position = {x + s, y};
        q[2].position = {x + s, y + s};
        q[3].position = {x, y + s};
        q[0].texCoords = {u, v};
        q[1].texCoords = {u + s, v};
        q[2].texCoords = {u + s, v + s};
        q[3].texCoords = {u, v + s};
    }
}

std::vector<uint8_t> readWindow(sf::RenderWindow& window) {
    sf::Texture copy;
    if (!copy.create(WINDOW_W, WINDOW_H)) return {};
    copy.update(window);
    sf::Image image = copy.copyToImage();
    const uint8_t* p = image.getPixelsPtr();
    return std::vector<uint8_t>(p, p + static_cast<size_t>(WINDOW_W) * WINDOW_H * 4);
}

// An empty frame a pass, paced by setFramerateLimit.
void runLoop(sf::RenderWindow& window, double seconds) {
    window.setFramerateLimit(LOOP_FPS);
    FrameCost cost = measureLoop(
        [&] {
            pumpEvents(window);
            window.clear(sf::Color::Black);
            window.display();
            return false;
        },
        seconds);
    printResult(LOOP_CASE, "SFML", "setFramerateLimit", cost);
}

}  // namespace

int main(int argc, char** argv) {
    const ChildOptions options = parseChildOptions(argc, argv);
    sf::RenderWindow window(sf::VideoMode(WINDOW_W, WINDOW_H), "peer_bench SFML",
                            sf::Style::Titlebar | sf::Style::Close);
    window.setVerticalSyncEnabled(false);
    window.setFramerateLimit(0);
    if (options.loopSeconds > 0) {
        runLoop(window, options.loopSeconds);
        return 0;
    }

    const std::vector<uint8_t> rgba = atlasRgba();
    sf::Image atlasImage;
    atlasImage.create(ATLAS_SIZE, ATLAS_SIZE, rgba.data());
    sf::Texture atlas;
    sf::RenderTexture target;
    if (!atlas.loadFromImage(atlasImage) || !target.create(TARGET_W, TARGET_H)) {
        std::fprintf(stderr, "SFML: the atlas or the render target failed\n");
        return 1;
    }
    atlas.setSmooth(false);
    target.setSmooth(false);
    sf::Sprite screen(target.getTexture());
    screen.setScale(2, 2);

    int status = 0;
    for (const BenchCase& c : benchCases()) {
        if (!options.runs(c.name)) continue;
        const std::vector<Placement> places = placements(c);
        std::vector<sf::Sprite> sprites;
        sprites.reserve(places.size());
        for (const Placement& p : places) {
            sprites.emplace_back(atlas, sf::IntRect(p.cellX * c.size, p.cellY * c.size, c.size, c.size));
            sprites.back().setPosition(static_cast<float>(p.x), static_cast<float>(p.y));
        }
        sf::VertexArray quads(sf::Quads, places.size() * 4);
        sf::VertexBuffer buffer(sf::Quads, sf::VertexBuffer::Stream);
        const bool buffered = sf::VertexBuffer::isAvailable() && buffer.create(quads.getVertexCount());

        auto drawSprites = [&](sf::RenderTarget& to) {
            for (const sf::Sprite& s : sprites) to.draw(s);
        };
        auto drawQuads = [&](sf::RenderTarget& to) {
            fillQuads(quads, places, c.size);
            to.draw(quads, &atlas);
        };
        auto drawBuffer = [&](sf::RenderTarget& to) {
            fillQuads(quads, places, c.size);
            buffer.update(&quads[0]);
            to.draw(buffer, &atlas);
        };
        // The game's frame: the target is drawn whole, so the window is not cleared.
        auto gameScreen = [&](auto& draw) {
            target.clear(sf::Color::Black);
            draw(target);
            target.display();
            window.draw(screen);
        };
        auto measure = [&](const char* variant, auto& draw) {
            if (!options.draws(variant)) return;
            FrameCost cost = measureFrames(
                [&] {
                    if (c.kind == CaseKind::GamePath) {
                        gameScreen(draw);
                    } else {
                        window.clear(sf::Color::Black);
                        draw(window);
                    }
                    window.display();
                    pumpEvents(window);
                },
                options.seconds);
            printResult(c.name, "SFML", variant, cost);
        };

        if (c.kind == CaseKind::Empty) {
            measure("clear", drawSprites);
            continue;
        }
        measure("Sprite", drawSprites);
        measure("VertexArray", drawQuads);
        if (buffered) measure("VertexBuffer", drawBuffer);
        if (c.kind == CaseKind::GamePath && !options.shot.empty()) {
            gameScreen(drawSprites);
            const std::vector<uint8_t> shot = readWindow(window);
            if (shot.empty() || !writeShot(options.shot, shot)) {
                std::fprintf(stderr, "SFML: the window could not be read back\n");
                status = 1;
            }
            window.display();
        }
    }
    window.close();
    return status;
}
