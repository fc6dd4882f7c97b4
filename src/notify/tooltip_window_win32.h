#pragma once
// The tooltip of the character: one line per account with its count, name and
// status, below the pointer and inside the desktop. It closes as soon as the
// pointer moves onto it.
#include <windows.h>

#include <memory>

#include "settings/account_list.h"
#include "settings/settings_store.h"

namespace pell {

// The character window's side of the tooltip.
class TooltipOwner {
  public:
    virtual ~TooltipOwner() = default;
    // The tooltip is on screen (set at every paint).
    virtual void TooltipShown() = 0;
    // The pointer moved onto the tooltip, which goes away at once: a shown
    // tooltip's timers stop and its suppression ends; the handle is forgotten.
    virtual void PointerOnTooltip(HWND tooltip) = 0;
};

// Creates the tooltip at (pointer x - 1, pointer y + 18 at 96 DPI); it sizes and shows
// itself. The account list is shared, so that a reload cannot pull it away.
HWND OpenTooltip(POINT pointer, std::shared_ptr<const AccountList> accounts,
                 SettingsStore& settings, TooltipOwner& owner);

}  // namespace pell
