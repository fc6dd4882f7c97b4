// The mail state machine after a check, and the face it leads to.
#include "character/mail_state.h"

#include <gtest/gtest.h>

#include "mail/status_codes.h"

namespace pell {
namespace {

AccountList Accounts(std::initializer_list<std::pair<int, int>> statusAndCount) {
    AccountList list;
    for (const auto& [status, count] : statusAndCount) {
        AccountEntry& entry = list.emplace_back("POP");
        entry.status = status;
        entry.messageCount = count;
    }
    return list;
}

TEST(TallyAccounts, CountsErrorsFreshMailAndMessages) {
    const AccountList list = Accounts({{kStatusOk, 3},
                                       {kStatusError, 1},
                                       {kStatusConnect, 0},
                                       {kStatusNewMail, 2},
                                       {kStatusTimeOut, 0},
                                       {kStatusCheckOff, 0}});
    const AccountTally tally = TallyAccounts(list);
    EXPECT_EQ(tally.errors, 2);  // 1 is not counted as an error
    EXPECT_EQ(tally.fresh, 1);
    EXPECT_EQ(tally.total, 6);
}

struct RefreshCase {
    const char* name;
    RefreshInputs in;
    int state;
    bool errorBranch;
    TrayChange tray;
    bool clearFace;
    bool enteredNewMail;
    bool leftNonIdle;
    bool held;
};

RefreshInputs In(bool click, int state, bool held, AccountTally tally, bool onlyNew = false,
                 bool keep = true) {
    RefreshInputs in;
    in.fromClick = click;
    in.mailState = state;
    in.mailHeld = held;
    in.tally = tally;
    in.mailStateOnlyNew = onlyNew;
    in.keepStatusNextCheck = keep;
    return in;
}

TEST(DecideRefresh, Table) {
    const AccountTally errorAndMail{1, 1, 5};
    const AccountTally mailOnly{0, 1, 5};
    const AccountTally countsButNothingNew{0, 0, 5};
    const AccountTally nothing{0, 0, 0};
    const RefreshCase cases[] = {
        {"error beats new mail", In(false, kMailIdle, false, errorAndMail), kMailError, true,
         TrayChange::kNone, true, false, false, false},
        {"error stays error", In(false, kMailError, false, errorAndMail), kMailError, true,
         TrayChange::kNone, false, false, false, false},
        {"a click clears mail despite errors", In(true, kMailNew, true, errorAndMail), kMailIdle,
         false, TrayChange::kNoMail, true, false, true, false},
        {"new mail entered", In(false, kMailChecking, false, mailOnly), kMailNew, false,
         TrayChange::kNewMail, true, true, false, true},
        {"new mail kept", In(false, kMailNew, true, mailOnly), kMailNew, false,
         TrayChange::kNewMail, false, false, false, true},
        {"messages in the box count as mail", In(false, kMailIdle, false, countsButNothingNew),
         kMailNew, false, TrayChange::kNewMail, true, true, false, true},
        {"only new: counts without new mail are idle",
         In(false, kMailChecking, false, countsButNothingNew, true), kMailIdle, false,
         TrayChange::kNoMail, true, false, true, false},
        {"only new, held and kept survives a quiet check",
         In(false, kMailNew, true, countsButNothingNew, true, true), kMailNew, false,
         TrayChange::kNewMail, false, false, false, true},
        {"only new, held but not kept ends", In(false, kMailNew, true, nothing, true, false),
         kMailIdle, false, TrayChange::kNoMail, true, false, true, false},
        {"idle stays idle", In(false, kMailIdle, false, nothing), kMailIdle, false,
         TrayChange::kNoMail, false, false, false, false},
        {"error ends when fixed", In(false, kMailError, false, nothing), kMailIdle, false,
         TrayChange::kNoMail, true, false, true, false},
    };
    for (const RefreshCase& c : cases) {
        SCOPED_TRACE(c.name);
        const RefreshActions out = DecideRefresh(c.in);
        EXPECT_EQ(out.mailState, c.state);
        EXPECT_EQ(out.errorBranch, c.errorBranch);
        EXPECT_EQ(out.tray, c.tray);
        EXPECT_EQ(out.clearFace, c.clearFace);
        EXPECT_EQ(out.enteredNewMail, c.enteredNewMail);
        EXPECT_EQ(out.leftNonIdle, c.leftNonIdle);
        EXPECT_EQ(out.mailHeld, c.held);
    }
}

TEST(DecideRefresh, AnimationAndBlinkStopOnlyWhenTheRefreshStartsIdle) {
    EXPECT_TRUE(DecideRefresh(In(false, kMailIdle, false, {0, 0, 0})).stopAnimationAndBlink);
    EXPECT_FALSE(DecideRefresh(In(false, kMailNew, true, {0, 0, 0})).stopAnimationAndBlink);
    EXPECT_FALSE(DecideRefresh(In(false, kMailIdle, false, {1, 0, 0})).stopAnimationAndBlink);
}

TEST(Faces, StateFacesAndAnimationFrames) {
    EXPECT_EQ(FaceForMailState(kMailIdle), kFaceIdle);
    EXPECT_EQ(FaceForMailState(kMailNew), kFaceNewMail);
    EXPECT_EQ(FaceForMailState(kMailError), kFaceError);
    EXPECT_EQ(FaceForMailState(kMailChecking), kFaceThinking);
    EXPECT_EQ(FrameForFace(kFaceNewMail, false), 3);
    EXPECT_EQ(FrameForFace(kFaceNewMail, true), 6);
    EXPECT_EQ(FrameForFace(kFaceError, true), 4);
    EXPECT_EQ(FrameForFace(kFaceNone, false), 0);
    EXPECT_EQ(FrameForFace(9, false), 0);
}

TEST(DecideFaceUpdate, Table) {
    struct Case {
        const char* name;
        FaceUpdateInputs in;
        bool stop;
        int switchTo;
    };
    const Case cases[] = {
        {"not armed", {false, false, false, false, kFaceIdle, kMailNew}, false, kFaceNone},
        {"outside: state face",
         {true, false, false, false, kFacePleased, kMailNew},
         true,
         kFaceNewMail},
        {"outside: already shown",
         {true, false, false, false, kFaceError, kMailError},
         true,
         kFaceNone},
        {"cleared face forces a switch",
         {true, false, false, false, kFaceNone, kMailIdle},
         true,
         kFaceIdle},
        {"inside: pleased", {true, true, false, false, kFaceIdle, kMailIdle}, false, kFacePleased},
        {"inside while checking",
         {true, true, false, true, kFaceThinking, kMailChecking},
         false,
         kFaceNone},
        {"inside while checking, allowed",
         {true, true, true, true, kFaceThinking, kMailChecking},
         false,
         kFacePleased},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FaceUpdateActions out = DecideFaceUpdate(c.in);
        EXPECT_EQ(out.stopFaceTimer, c.stop);
        EXPECT_EQ(out.switchTo, c.switchTo);
    }
}

}  // namespace
}  // namespace pell
