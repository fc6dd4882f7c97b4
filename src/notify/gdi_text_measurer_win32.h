#pragma once
// Text measured with the font selected into a device context.
#include <windows.h>

#include <vector>

#include "notify/text_measure.h"

namespace pell {

class GdiTextMeasurer final : public TextMeasurer {
  public:
    explicit GdiTextMeasurer(HDC dc);
    TextSize Measure(std::string_view text) override;
    // One extent call for text whose characters map one to one onto UTF-16
    // units; otherwise the search by halves.
    Fit FitPrefixes(std::string_view text, const std::size_t* ends, std::size_t count,
                    int maxWidth) override;

  private:
    HDC dc_;
    UINT codePage_;
    std::vector<wchar_t> wide_;
    std::vector<int> widths_;
};

}  // namespace pell
