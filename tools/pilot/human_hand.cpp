#include "tools/pilot/human_hand.h"

#include <cmath>

InputFrame HumanHand::next(const InputFrame& meant) {
    queue_.push_back(meant);
    // Decisions a quarter second old reach the hand; one with a button holds back
    // the ones after it until the press is made.
    while (static_cast<int>(queue_.size()) > DELAY_FRAMES && buttons_ == 0) {
        const InputFrame f = queue_.front();
        queue_.pop_front();
        debt_ += b2Vec2(f.dx, f.dy);
        buttons_ = f.buttons;
    }
    InputFrame out{0.0f, 0.0f, 0};
    const float length = debt_.Length();
    if (length > 0.0f) {
        const float step = std::fmin(length, MAX_STEP);
        const b2Vec2 move = (step / length) * debt_;
        debt_ -= move;
        out.dx = move.x + noise();
        out.dy = move.y + noise();
    }
    if (buttons_ != 0 && debt_.Length() < 1.0f) {
        out.buttons = buttons_;
        buttons_ = 0;
    }
    return out;
}

float HumanHand::noise() {
    // The sum of twelve uniforms on [0, 1) has mean 6 and variance 1.
    float sum = 0.0f;
    for (int i = 0; i < 12; ++i) sum += static_cast<float>(scatter_() >> 8) * 0x1p-24f;
    return (sum - 6.0f) * SCATTER;
}

b2Vec2 HumanHand::pending() const {
    b2Vec2 p = debt_;
    for (const InputFrame& f : queue_) p += b2Vec2(f.dx, f.dy);
    return p;
}
