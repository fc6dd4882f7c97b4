// The account dialog's rules and its connection test against a dialog of maps
// and a real INI file.
#include "dialogs/account_dialog_logic.h"

#include <gtest/gtest.h>

#include "dialogs/connection_test.h"
#include "dialogs/fake_dialog.h"
#include "dialogs/recording_store.h"
#include "mail/certificate_text.h"
#include "mail/status_codes.h"
#include "settings/password_scramble.h"

namespace pell {
namespace {

using testing::FakeDialog;
using testing::RecordingStore;

const char kTwoAccounts[] =
    "[Poplist]\r\nCount=2\r\nList1=POP1\r\nList2=POP2\r\n"
    "[POP1]\r\nPopname=A\r\nServer=pop.a\r\nUser=ua\r\nPassword=Wfxa\r\nTimer=300\r\n"
    "OffsetTimer=-20\r\nPopup=Yes\r\nPopupSubj=Yes\r\nMesid=<m1@a>,\r\nSecurity=1\r\nPort=1110\r\n"
    "CertFingerprint=ABCD\r\nTimeOut=30\r\n"
    "[POP2]\r\nPopname=B\r\nServer=pop.b\r\nUser=ub\r\n";

// The two accounts and a third, C in section POP3, with the given keys.
std::string WithThirdAccount(const std::string& keys) {
    std::string text = kTwoAccounts;
    text.replace(text.find("Count=2"), 7, "Count=3\r\nList3=POP3");
    return text + "[POP3]\r\nPopname=C\r\n" + keys;
}

class AccountDialogLogic : public ::testing::Test {
  protected:
    AccountDialogSession Open(std::optional<std::string> name, bool shift = false) {
        return InitAccountDialog(dialog, store, name, shift);
    }
    void Fill(const std::string& name, const std::string& server, const std::string& user) {
        dialog.texts[kAccountName] = name;
        dialog.texts[kAccountServer] = server;
        dialog.texts[kAccountUser] = user;
    }

    RecordingStore store;
    FakeDialog dialog;
};

TEST_F(AccountDialogLogic, MinutesAreShownFromSecondsAndSavedAsSeconds) {
    const std::pair<const char*, int> shown[] = {{"300", 5},  {"59", 1},  {"0", 1},    {"", 1},
                                                 {"-600", 1}, {"abc", 1}, {"3599", 59}};
    for (const auto& [timer, minutes] : shown)
        EXPECT_EQ(MinutesFromTimerText(timer), minutes) << timer;
    const std::pair<const char*, const char*> saved[] = {
        {"5", "300"}, {"15", "900"},      {"", "0"},
        {"-3", "0"},  {"9999", "599940"}, {"12345678", "74040"},  // the field holds four digits
        {"x7", "0"}};
    for (const auto& [minutes, timer] : saved)
        EXPECT_EQ(TimerTextFromMinutes(minutes), timer) << minutes;
    EXPECT_EQ(OffsetTextFromSeconds("-5"), "0");
    EXPECT_EQ(OffsetTextFromSeconds("12"), "12");
}

TEST_F(AccountDialogLogic, EditingShowsTheStoredAccount) {
    store.file.Write(kTwoAccounts);
    const AccountDialogSession session = Open("A", true);
    EXPECT_EQ(session.section, "POP1");
    EXPECT_EQ(dialog.texts[kAccountServer], "pop.a");
    EXPECT_EQ(dialog.texts[kAccountUser], "ua");
    EXPECT_EQ(dialog.texts[kAccountPassword], UnscramblePassword("Wfxa"));
    EXPECT_EQ(dialog.texts[kAccountInterval], "5");
    EXPECT_EQ(dialog.texts[kAccountDelay], "-20");
    EXPECT_EQ(dialog.texts[kAccountPort], "1110");
    EXPECT_EQ(dialog.Selection(kAccountSecurity), kSecurityStls);
    EXPECT_EQ(dialog.choices[kAccountSecurity],
              (std::vector<std::string>{"なし", "STARTTLS", "SSL/TLS"}));
    EXPECT_TRUE(dialog.checks[kAccountPopup]);
    EXPECT_TRUE(dialog.checks[kAccountPopupSubj]);
    EXPECT_FALSE(dialog.checks[kAccountPopupBody]);
    EXPECT_EQ(store.Get("POP1", "PopupBody"), "No") << "a missing flag is repaired";
    EXPECT_TRUE(dialog.Enabled(kAccountPopupTimer));
}

TEST_F(AccountDialogLogic, ANewAccountStartsAtFifteenMinutesOverTls) {
    store.file.Write(kTwoAccounts);
    AccountDialogSession session = Open(std::nullopt);
    EXPECT_TRUE(session.section.empty());
    EXPECT_FALSE(session.delayFieldPresent);
    EXPECT_EQ(dialog.texts[kAccountInterval], "15");
    EXPECT_EQ(dialog.Selection(kAccountSecurity), kSecurityTls);
    for (int id : {kAccountPopupTimer, kAccountPopupSubj, kAccountPopupBody})
        EXPECT_FALSE(dialog.Enabled(id)) << id;
    Fill("C", "pop.c", "uc");
    dialog.texts[kAccountPassword] = "pw-Secret9";
    store.writes.clear();
    ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
    EXPECT_EQ(session.section, "POP3");
    const std::vector<std::string> expected = {
        "Poplist/List3=POP3",
        "Poplist/Count=3",
        "[POP3] deleted",
        "POP3/Popname=C",
        "POP3/Server=pop.c",
        "POP3/User=uc",
        "POP3/Password=" + ScramblePassword("pw-Secret9"),
        "POP3/APOP=No",
        "POP3/Timer=900",
        "POP3/Mailer=",
        "POP3/Param=",
        "POP3/Sound=",
        "POP3/Popup=No",
        "POP3/Popuptimer=No",
        "POP3/PopupSubj=No",
        "POP3/PopupBody=No",
        "POP3/Security=2",
        "POP3/Port=",
        "POP3/Protocol=0",
    };
    EXPECT_EQ(store.writes, expected);
    EXPECT_NE(store.Get("POP3", "Password"), "pw-Secret9");
}

TEST_F(AccountDialogLogic, OkChecksTheFieldsInOrder) {
    store.file.Write(kTwoAccounts);
    struct Case {
        const char* name;
        const char* server;
        const char* user;
        const char* port;
        const char* message;
        int focus;
    };
    const Case cases[] = {
        {"", "", "", "", "ﾒｰﾙｻｰﾊﾞ名称を記入してください", kAccountName},
        {"   ", "s", "u", "", "ﾒｰﾙｻｰﾊﾞ名称を記入してください", kAccountName},
        {"N", "", "", "", "受信ﾒｰﾙｻｰﾊﾞ(POP3)を記入してください", kAccountServer},
        {"N", "s", "", "", "ﾕｰｻﾞｰ名を記入してください", kAccountUser},
        {"N", "s", "u", "70000", "ﾎﾟｰﾄ番号は1～65535の数字で記入してください", kAccountPort},
        {"N", "s", "u", "0", "ﾎﾟｰﾄ番号は1～65535の数字で記入してください", kAccountPort},
        {"N", "s", "u", "1a", "ﾎﾟｰﾄ番号は1～65535の数字で記入してください", kAccountPort},
        {"A", "s", "u", "", "同一のｱｶｳﾝﾄが存在します。名前を変更してください。", kAccountName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        dialog = FakeDialog();
        AccountDialogSession session = Open(std::nullopt);
        Fill(c.name, c.server, c.user);
        dialog.texts[kAccountPort] = c.port;
        store.writes.clear();
        EXPECT_FALSE(SaveAccountDialog(dialog, store, session));
        ASSERT_EQ(dialog.messages.size(), 1u);
        EXPECT_EQ(dialog.messages[0].text, c.message);
        EXPECT_EQ(dialog.messages[0].caption, "登録");
        EXPECT_EQ(dialog.messages[0].kind, MessageKind::kWarning);
        EXPECT_EQ(dialog.focus, c.focus);
        EXPECT_TRUE(store.writes.empty());
    }
}

TEST_F(AccountDialogLogic, NamesAreUniqueByteForByte) {
    store.file.Write(kTwoAccounts);
    struct Case {
        std::optional<std::string> editing;
        const char* name;
        bool saved;
    };
    const Case cases[] = {
        {std::nullopt, "a", true},  // "A" exists; case counts
        {std::nullopt, "B", false},
        {std::string("A"), "A", true},  // its own name
        {std::string("A"), "B", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store.file.Write(kTwoAccounts);
        dialog = FakeDialog();
        AccountDialogSession session = Open(c.editing);
        Fill(c.name, "s", "u");
        EXPECT_EQ(SaveAccountDialog(dialog, store, session), c.saved);
    }
}

TEST_F(AccountDialogLogic, RenamingKeepsTheSectionAndItsSeenMessages) {
    store.file.Write(kTwoAccounts);
    AccountDialogSession session = Open("A", true);
    dialog.texts[kAccountName] = "A2";
    dialog.texts[kAccountDelay] = "-7";
    ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
    EXPECT_EQ(session.editing, std::optional<std::string>("A2"));
    EXPECT_EQ(store.Get("POP1", "Popname"), "A2");
    EXPECT_EQ(store.Get("POP1", "Mesid"), "<m1@a>,");
    EXPECT_EQ(store.Get("POP1", "OffsetTimer"), "0");
    EXPECT_EQ(store.Get("POP1", "Timer"), "300");
    EXPECT_EQ(store.Get("POP1", "CertFingerprint"), "ABCD") << "same server, same pin";
    EXPECT_EQ(store.Get("Poplist", "Count"), "2");
}

TEST_F(AccountDialogLogic, WithoutShiftTheDelayStaysAsStored) {
    store.file.Write(kTwoAccounts);
    AccountDialogSession session = Open("A", false);
    EXPECT_EQ(dialog.texts.count(kAccountDelay), 0u);
    ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
    EXPECT_EQ(store.Get("POP1", "OffsetTimer"), "-20");
}

TEST_F(AccountDialogLogic, UncheckedPopupKeepsItsOptionsMarks) {
    store.file.Write(kTwoAccounts);
    AccountDialogSession session = Open("A");
    dialog.checks[kAccountPopup] = false;
    OnPopupClicked(dialog);
    for (int id : {kAccountPopupTimer, kAccountPopupSubj, kAccountPopupBody})
        EXPECT_FALSE(dialog.Enabled(id)) << id;
    ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
    EXPECT_EQ(store.Get("POP1", "Popup"), "No");
    EXPECT_EQ(store.Get("POP1", "PopupSubj"), "Yes");
}

TEST_F(AccountDialogLogic, FieldsAreOneLineAndWithinTheirLimits) {
    AccountDialogSession session = Open(std::nullopt);
    Fill(std::string(10000, 'n'), " pop.example \r\n", "me\nCount=99");
    dialog.texts[kAccountMailer] = std::string(300, 'm');
    ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
    EXPECT_EQ(store.Get("POP1", "Popname"), std::string(50, 'n'));
    EXPECT_EQ(store.Get("POP1", "Server"), "pop.example");
    EXPECT_EQ(store.Get("POP1", "User"), "meCount=99");
    EXPECT_EQ(store.Get("POP1", "Mailer"), std::string(255, 'm'));
    EXPECT_EQ(store.Get("Poplist", "Count"), "1");
}

TEST_F(AccountDialogLogic, ALeftoverSectionLendsTheNewAccountNothing) {
    store.file.Write("[Poplist]\r\nCount=0\r\n[POP1]\r\nMesid=<old@x>,\r\nCertFingerprint=EE\r\n");
    AccountDialogSession session = Open(std::nullopt);
    Fill("New", "s", "u");
    ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
    EXPECT_EQ(store.Get("POP1", "Mesid"), "<none>");
    EXPECT_EQ(store.Get("POP1", "CertFingerprint"), "<none>");
}

TEST_F(AccountDialogLogic, ANameThatNamesNoAccountIsSavedAsANewOne) {
    store.file.Write(kTwoAccounts);
    AccountDialogSession session = Open("Ghost");
    EXPECT_EQ(dialog.texts[kAccountName], "Ghost");
    Fill("Ghost", "s", "u");
    ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
    EXPECT_EQ(store.Get("Poplist", "List3"), session.section);
    EXPECT_EQ(store.Get("POP1", "Popname"), "A");
}

TEST_F(AccountDialogLogic, ConnectionTestTakesTheFieldsAndTheStoredSeenList) {
    store.file.Write(kTwoAccounts);
    AccountDialogSession session = Open("A");
    dialog.texts[kAccountPassword] = "typed";
    dialog.selections[kAccountSecurity] = kSecurityPlain;
    store.writes.clear();
    std::optional<PopSessionInput> in = PrepareConnectionTest(dialog, store, session);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->server, "pop.a");
    EXPECT_EQ(in->user, "ua");
    EXPECT_EQ(in->password, "typed");
    EXPECT_EQ(in->portText, "1110");
    EXPECT_EQ(in->security, kSecurityPlain);
    EXPECT_EQ(in->seenIds, "<m1@a>,");
    EXPECT_EQ(in->certFingerprint, "ABCD");
    EXPECT_EQ(in->timeoutSeconds, 30);
    EXPECT_EQ(in->getLines, 10);
    EXPECT_EQ(in->protocol, kProtocolPop3);
    EXPECT_TRUE(store.writes.empty()) << "a test writes nothing";

    dialog.checks[kAccountApop] = true;
    EXPECT_TRUE(PrepareConnectionTest(dialog, store, session)->apop);
    dialog.selections[kAccountProtocol] = kProtocolImap;
    dialog.texts[kAccountFolder] = " Archive ";
    in = PrepareConnectionTest(dialog, store, session);
    EXPECT_EQ(in->protocol, kProtocolImap);
    EXPECT_EQ(in->folder, "Archive");
    EXPECT_FALSE(in->apop) << "APOP means nothing to IMAP";

    dialog.texts[kAccountServer] = "other.server";
    EXPECT_EQ(PrepareConnectionTest(dialog, store, session)->certFingerprint, "")
        << "a pin belongs to its server";
    dialog.texts[kAccountServer] = "";
    EXPECT_FALSE(PrepareConnectionTest(dialog, store, session));
    EXPECT_EQ(dialog.focus, kAccountServer);
}

TEST_F(AccountDialogLogic, ARefusedCertificateCanBeTrustedAndIsSavedWithTheAccount) {
    store.file.Write(kTwoAccounts);
    const std::string digest(64, 'a');
    struct Case {
        int result;
        std::string fingerprint;
        bool answer;
        MessageKind kind;
        bool trusted;
    };
    const Case cases[] = {
        {kStatusOk, "", true, MessageKind::kInformation, false},
        {kStatusConnect, "", true, MessageKind::kWarning, false},
        {kStatusBadCertificate, "", true, MessageKind::kWarning, false},
        {kStatusBadCertificate, "zz", true, MessageKind::kWarning, false},
        {kStatusBadCertificate, digest, false, MessageKind::kQuestion, false},
        {kStatusBadCertificate, digest, true, MessageKind::kQuestion, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        dialog = FakeDialog();
        AccountDialogSession session = Open("B");
        dialog.answers = {c.answer};
        PopSessionOutput out;
        out.result = c.result;
        out.certificateFingerprint = c.fingerprint;
        ReportConnectionTest(dialog, session, out);
        ASSERT_EQ(dialog.messages.size(), 1u);
        EXPECT_EQ(dialog.messages[0].caption, "接続ﾃｽﾄ");
        EXPECT_EQ(dialog.messages[0].kind, c.kind);
        EXPECT_EQ(dialog.messages[0].text.rfind(std::string(StatusText(c.result)), 0), 0u);
        EXPECT_EQ(session.trustedFingerprint.has_value(), c.trusted);
        ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
        EXPECT_EQ(store.Get("POP2", "CertFingerprint"),
                  c.trusted ? std::string(64, 'A') : "<none>");
    }
    EXPECT_NE(dialog.messages[0].text.find("AA:AA:"), std::string::npos);
}

TEST_F(AccountDialogLogic, TheTrustQuestionNamesTheCertificateAndWhyItWasRefused) {
    const std::string longName = "CN=" + std::string(400, 'x');
    struct Case {
        unsigned problems;
        std::string subject;
        std::vector<std::string> shown;
        std::vector<std::string> notShown;
    };
    const Case cases[] = {
        {kCertificateUntrusted | kCertificateWrongName,
         "CN=\xE3\x83\x9B\xE3\x83\xBC\xE3\x83\xA0",  // UTF-8 from the server
         {"信頼された認証局", "ｻｰﾊﾞｰ名", "発行先: CN=ホーム", "発行者: CN=Pell CA"},
         {"有効期限", "失効"}},
        {kCertificateExpired | kCertificateRevoked | kCertificateOtherFault,
         "CN=a\x1B[2J\x07"
         "b",
         {"有効期限", "失効", "検証できません", "発行先: CN=a\\x1B[2J\\x07b"},
         {"\x1B", "\x07", "信頼された認証局"}},
        {0, "", {"信頼済みの証明書と異なります", "発行先: (なし)"}, {}},
        {kCertificateUntrusted, longName, {"発行先: CN=xxx", "x..."}, {std::string(300, 'x')}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problems);
        dialog = FakeDialog();
        AccountDialogSession session = Open("B");
        dialog.answers = {false};
        PopSessionOutput out;
        out.result = kStatusBadCertificate;
        out.certificateFingerprint = std::string(64, 'A');
        out.certificateSubject = c.subject;
        out.certificateIssuer = "CN=Pell CA";
        out.certificateProblems = c.problems;
        ReportConnectionTest(dialog, session, out);
        ASSERT_EQ(dialog.messages.size(), 1u);
        const std::string& text = dialog.messages[0].text;
        for (const std::string& part : c.shown)
            EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
        for (const std::string& part : c.notShown)
            EXPECT_EQ(text.find(part), std::string::npos) << part << " in " << text;
    }
}

TEST_F(AccountDialogLogic, ANewServerDropsThePinnedCertificate) {
    store.file.Write(kTwoAccounts);
    AccountDialogSession session = Open("A");
    dialog.texts[kAccountServer] = "pop.elsewhere";
    ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
    EXPECT_EQ(store.Get("POP1", "CertFingerprint"), "");
}

TEST_F(AccountDialogLogic, FingerprintsAreNormalised) {
    const std::string upper(64, 'F');
    EXPECT_EQ(NormalizedFingerprint(std::string(64, 'f')), upper);
    EXPECT_EQ(NormalizedFingerprint(GroupedFingerprint(upper)), upper);
    EXPECT_EQ(GroupedFingerprint("ABCDEF"), "AB:CD:EF");
    EXPECT_EQ(NormalizedFingerprint(std::string(63, 'F')), "");
    EXPECT_EQ(NormalizedFingerprint(std::string(64, 'G')), "");
}

TEST_F(AccountDialogLogic, TheProtocolShowsTheFolderAndHintsThePort) {
    Open(std::nullopt);
    EXPECT_EQ(dialog.choices[kAccountProtocol], (std::vector<std::string>{"POP3", "IMAP"}));
    EXPECT_EQ(dialog.Selection(kAccountProtocol), kProtocolPop3) << "new accounts start at POP3";
    const std::tuple<int, int, const char*> cases[] = {
        {kProtocolPop3, kSecurityPlain, "110"},
        {kProtocolPop3, kSecurityStls, "110"},
        {kProtocolPop3, kSecurityTls, "995"},
        {kProtocolImap, kSecurityPlain, "143"},
        {kProtocolImap, kSecurityStls, "143"},
        {kProtocolImap, kSecurityTls, "993"},
        {7, kSecurityTls, "995"}};  // a damaged choice reads as POP3
    for (const auto& [protocol, security, hint] : cases) {
        SCOPED_TRACE(hint);
        dialog.selections[kAccountProtocol] = protocol;
        dialog.selections[kAccountSecurity] = security;
        OnConnectionKindChanged(dialog);
        const bool imap = protocol == kProtocolImap;
        EXPECT_EQ(dialog.hints[kAccountPort], hint);
        EXPECT_EQ(dialog.Shown(kAccountFolder), imap);
        EXPECT_EQ(dialog.Shown(kAccountFolderLabel), imap);
        EXPECT_EQ(dialog.Enabled(kAccountIdle), imap);
        EXPECT_EQ(dialog.Enabled(kAccountApop), !imap);
    }
}

TEST_F(AccountDialogLogic, AnImapAccountKeepsItsFolderAndIdle) {
    store.file.Write(kTwoAccounts);
    AccountDialogSession session = Open(std::nullopt);
    Fill("Phone", "imap.example", "me");
    dialog.selections[kAccountProtocol] = kProtocolImap;
    dialog.texts[kAccountFolder] = "  受信箱\r\n";
    dialog.checks[kAccountIdle] = false;
    ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
    EXPECT_EQ(store.Get(session.section, "Protocol"), "1");
    EXPECT_EQ(store.Get(session.section, "Folder"), "受信箱");
    EXPECT_EQ(store.Get(session.section, "Idle"), "No");

    dialog = FakeDialog();
    AccountDialogSession reopened = Open("Phone");
    EXPECT_EQ(dialog.Selection(kAccountProtocol), kProtocolImap);
    EXPECT_EQ(dialog.texts[kAccountFolder], "受信箱");
    EXPECT_FALSE(dialog.checks[kAccountIdle]);
    dialog.texts[kAccountFolder] = "";
    ASSERT_TRUE(SaveAccountDialog(dialog, store, reopened));
    EXPECT_EQ(store.Get(session.section, "Folder"), "INBOX") << "no folder is the inbox";

    // IDLE is on unless switched off; only an IMAP account has the default
    // written into its section.
    store.file.Write(WithThirdAccount("Protocol=1\r\n"));
    for (const char* name : {"A", "C"}) {
        dialog = FakeDialog();
        Open(name);
        EXPECT_TRUE(dialog.checks[kAccountIdle]) << name;
    }
    EXPECT_EQ(store.Get("POP1", "Idle"), "<none>");
    EXPECT_EQ(store.Get("POP3", "Idle"), "Yes");
    EXPECT_EQ(store.Get("POP3", "Folder"), "<none>") << "the folder is read, not repaired";
}

TEST_F(AccountDialogLogic, AnotherMailboxGoesWithoutTheFolderMarks) {
    const std::string imapAccount = WithThirdAccount(
        "Server=imap.c\r\nUser=uc\r\nProtocol=1\r\nFolder=Work\r\n"
        "ImapUidValidity=77\r\nImapUidNext=12\r\n");
    // What changes (the protocol goes to POP3) and whether the marks stay.
    const std::tuple<int, const char*, bool> cases[] = {
        {kAccountName, "C", true},        {kAccountName, "C2", true},
        {kAccountFolder, "Other", false}, {kAccountServer, "imap.d", false},
        {kAccountUser, "ud", false},      {kAccountProtocol, "", false}};
    for (const auto& [field, value, kept] : cases) {
        SCOPED_TRACE(std::to_string(field) + value);
        store.file.Write(imapAccount);
        dialog = FakeDialog();
        AccountDialogSession session = Open("C");
        dialog.selections[kAccountProtocol] =
            field == kAccountProtocol ? kProtocolPop3 : kProtocolImap;
        if (field != kAccountProtocol)
            dialog.texts[field] = value;
        const std::optional<PopSessionInput> test = PrepareConnectionTest(dialog, store, session);
        ASSERT_TRUE(test);
        EXPECT_EQ(test->imapUidValidity, kept ? 77u : 0u) << "the connection test";
        EXPECT_EQ(test->imapUidNext, kept ? 12u : 0u);
        ASSERT_TRUE(SaveAccountDialog(dialog, store, session));
        EXPECT_EQ(store.Get("POP3", "ImapUidValidity"), kept ? "77" : "<none>");
        EXPECT_EQ(store.Get("POP3", "ImapUidNext"), kept ? "12" : "<none>");
    }
}

}  // namespace
}  // namespace pell
