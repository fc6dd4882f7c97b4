#include "character/mail_state.h"

#include "mail/status_codes.h"

namespace pell {

AccountTally TallyAccounts(const AccountList& accounts) {
    AccountTally tally;
    for (const AccountEntry& entry : accounts) {
        const int status = entry.status.load();
        if (IsErrorStatus(status))
            ++tally.errors;
        if (IsNewMailStatus(status))
            ++tally.fresh;
        tally.total += entry.messageCount.load();
    }
    return tally;
}

RefreshActions DecideRefresh(const RefreshInputs& in) {
    RefreshActions out;
    out.mailHeld = in.mailHeld;
    out.mailState = in.mailState;
    if (!in.fromClick && in.tally.errors > 0) {
        out.errorBranch = true;
        if (in.mailState != kMailError) {
            out.mailState = kMailError;
            out.clearFace = true;
        }
        return out;
    }
    out.stopAnimationAndBlink = in.mailState == kMailIdle;
    std::int64_t indicator = in.tally.total;
    if (in.mailStateOnlyNew) {
        indicator = in.tally.fresh;
        if (in.mailHeld && in.keepStatusNextCheck)
            indicator = 1;
    }
    if (in.fromClick || indicator < 1) {
        out.mailHeld = false;
        out.tray = TrayChange::kNoMail;
        if (in.mailState != kMailIdle) {
            out.leftNonIdle = true;
            out.clearFace = true;
        }
        out.stopBlink = true;
        out.mailState = kMailIdle;
        return out;
    }
    out.mailHeld = true;
    out.tray = TrayChange::kNewMail;
    if (in.mailState != kMailNew) {
        out.mailState = kMailNew;
        out.clearFace = true;
        out.enteredNewMail = true;
    }
    return out;
}

int FaceForMailState(int mailState) {
    switch (mailState) {
        case kMailNew:
            return kFaceNewMail;
        case kMailError:
            return kFaceError;
        case kMailChecking:
            return kFaceThinking;
        default:
            return kFaceIdle;
    }
}

int FrameForFace(int face, bool animationPhase) {
    if (face == kFaceNewMail && animationPhase)
        return 6;
    if (face < kFaceIdle || face > kFaceThinking)
        return 0;
    return face;
}

bool MayShowPleasedFace(bool faceCtrlInChecking, bool busy) {
    return faceCtrlInChecking || !busy;
}

FaceUpdateActions DecideFaceUpdate(const FaceUpdateInputs& in) {
    FaceUpdateActions out;
    if (!in.faceTimerArmed)
        return out;
    if (in.pointerInside) {
        if (MayShowPleasedFace(in.faceCtrlInChecking, in.busy) && in.face != kFacePleased) {
            out.switchTo = kFacePleased;
        }
        return out;
    }
    out.stopFaceTimer = true;
    const int wanted = FaceForMailState(in.mailState);
    if (in.face != wanted)
        out.switchTo = wanted;
    return out;
}

}  // namespace pell
