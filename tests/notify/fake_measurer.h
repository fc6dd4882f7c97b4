#pragma once
// A text measurer with fixed widths: ASCII 6 pixels, a double-byte character
// 12, lines 12 high (or widths from a table). Counts its measurements.
#include <cstddef>
#include <string_view>

#include "notify/text_measure.h"

namespace pell::testing_notify {

class FakeMeasurer : public TextMeasurer {
  public:
    explicit FakeMeasurer(int lineHeight = 12) : height_(lineHeight) {}

    TextSize Measure(std::string_view text) override {
        ++calls;
        measuredBytes += text.size();
        int width = 0;
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t next = NextCharEnd(text, pos);
            width += CharWidth(text.substr(pos, next - pos));
            pos = next;
        }
        return {width, height_};
    }

    virtual int CharWidth(std::string_view ch) { return ch.size() == 2 ? 12 : 6; }

    std::size_t calls = 0;
    std::size_t measuredBytes = 0;

  private:
    int height_;
};

}  // namespace pell::testing_notify
