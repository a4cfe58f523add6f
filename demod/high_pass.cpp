#include "high_pass.h"

#include <cmath>
#include <numbers>

namespace demod {

namespace {

// The two sections of a fourth-order Butterworth filter: quality factors 1 / (2 cos(pi/8))
// and 1 / (2 cos(3 pi/8)). Together they give the maximally flat response; each alone peaks.
constexpr std::array<double, 2> SectionQ = {0.54119610014619698, 1.3065629648763766};

// State this small is rounding noise; keeping it would let the recursion run on into
// subnormal numbers in a long silence, which are slow on most processors.
constexpr double Negligible = 1e-30;

} // namespace

HighPass::HighPass(double sampleRate) {
    const double w0 = 2 * std::numbers::pi * CornerHz / sampleRate;
    const double cosW = std::cos(w0);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const double alpha = std::sin(w0) / (2 * SectionQ[i]);
        const double a0 = 1 + alpha;
        Section& s = sections_[i];
        s.b0 = (1 + cosW) / 2 / a0;
        s.b1 = -(1 + cosW) / a0;
        s.b2 = s.b0;
        s.a1 = -2 * cosW / a0;
        s.a2 = (1 - alpha) / a0;
    }
}

void HighPass::Process(std::span<float> samples) {
    // Both sections in one pass: each is a recursion that waits on its last output, and
    // interleaved the two wait side by side.
    Section& p = sections_[0];
    Section& q = sections_[1];
    double p1 = p.s1, p2 = p.s2, q1 = q.s1, q2 = q.s2;
    for (float& sample : samples) {
        const double x = sample;
        const double y = p.b0 * x + p1;
        p1 = p.b1 * x - p.a1 * y + p2;
        p2 = p.b2 * x - p.a2 * y;
        const double z = q.b0 * y + q1;
        q1 = q.b1 * y - q.a1 * z + q2;
        q2 = q.b2 * y - q.a2 * z;
        sample = static_cast<float>(z);
    }
    auto keep = [](double v) { return std::abs(v) < Negligible ? 0.0 : v; };
    p.s1 = keep(p1);
    p.s2 = keep(p2);
    q.s1 = keep(q1);
    q.s2 = keep(q2);
}

} // namespace demod
