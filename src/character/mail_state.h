#pragma once
// The character's mail state machine: what a refresh after a check does, which
// face shows which state, and when a face update switches the picture. Plain
// decisions; the window carries the resulting actions out.
#include <cstdint>

#include "settings/account_list.h"

namespace pell {

enum MailState : int {
    kMailIdle = 0,
    kMailNew = 1,
    kMailError = 2,
    kMailChecking = 3,
};

enum Face : int {
    kFaceNone = 0,
    kFaceIdle = 1,
    kFacePleased = 2,
    kFaceNewMail = 3,
    kFaceError = 4,
    kFaceThinking = 5,
};

// Counts over all accounts after a check.
struct AccountTally {
    int errors = 0;          // status >= 2
    int fresh = 0;           // status -6 (new mail)
    std::int64_t total = 0;  // sum of message counts
};
AccountTally TallyAccounts(const AccountList& accounts);

struct RefreshInputs {
    bool fromClick = false;  // wParam 1: a left click cleared held mail
    int mailState = kMailIdle;
    bool mailHeld = false;
    AccountTally tally;
    bool mailStateOnlyNew = false;
    bool keepStatusNextCheck = true;
};

enum class TrayChange { kNone, kNoMail, kNewMail };

struct RefreshActions {
    bool errorBranch = false;            // some account in error: show the error face
    bool stopAnimationAndBlink = false;  // timers 5 and 6, when the refresh starts idle
    TrayChange tray = TrayChange::kNone;
    bool leftNonIdle = false;     // forget the last new-mail account, undo the raise for mail
    bool stopBlink = false;       // timer 6
    bool enteredNewMail = false;  // raise for mail, start animation and blink
    bool clearFace = false;       // face 0: the next face update switches
    bool mailHeld = false;        // new value
    int mailState = kMailIdle;    // new value
};

// Steps 2 to 4 of the refresh: errors win over new mail, new mail over idle,
// unless the refresh comes from a click.
RefreshActions DecideRefresh(const RefreshInputs& in);

// The face that shows a mail state.
int FaceForMailState(int mailState);

// The frame (1..6) drawn for a face; face 3 alternates frames 3 and 6.
int FrameForFace(int face, bool animationPhase);

struct FaceUpdateInputs {
    bool faceTimerArmed = false;
    bool pointerInside = false;
    bool faceCtrlInChecking = false;
    bool busy = false;  // a check or a check-all pass is running
    int face = kFaceNone;
    int mailState = kMailIdle;
};

struct FaceUpdateActions {
    bool stopFaceTimer = false;  // and clear face-timer armed
    int switchTo = kFaceNone;    // kFaceNone: keep the picture
};

// Timer 1: pleased while the pointer is over the character, else the state face.
FaceUpdateActions DecideFaceUpdate(const FaceUpdateInputs& in);

// Whether a mouse move over the character may show the pleased face.
bool MayShowPleasedFace(bool faceCtrlInChecking, bool busy);

}  // namespace pell
