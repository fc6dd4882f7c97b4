#pragma once
// Account status codes: what the last check of an account did, or why it was
// not done. 0..23 are session results, -1..-8 states outside a session.
#include <string_view>

namespace pell {

enum StatusCode : int {
    kStatusOk = 0,
    kStatusError = 1,
    kStatusSocketLibrary = 2,
    kStatusResolve = 3,
    kStatusNoSocket = 4,
    kStatusConnect = 5,
    kStatusSend = 6,
    kStatusReceive = 7,
    kStatusUser = 8,
    kStatusPassword = 9,
    kStatusList = 10,
    kStatusQuit = 11,
    kStatusLogin = 12,
    kStatusSilent = 13,
    kStatusUidl = 14,
    kStatusTimeOut = 15,
    kStatusTop = 16,
    kStatusOtherApp = 17,
    kStatusTlsFailed = 18,       // handshake failed or the server does not speak TLS
    kStatusBadCertificate = 19,  // untrusted, wrong name, expired or not the pinned one
    kStatusNoStls = 20,          // the server refused STLS (or IMAP STARTTLS)
    kStatusNoApop = 21,          // APOP asked for, but the greeting holds no timestamp
    kStatusNoFolder = 22,        // the IMAP folder does not exist or cannot be opened
    kStatusBadReply = 23,        // a reply the client cannot accept (garbage, far too large)
    kStatusNotChecked = -1,
    kStatusNotCheckedAlt = -2,
    kStatusChecking = -3,
    kStatusLaunchFailed = -4,
    kStatusOutsideHours = -5,
    kStatusNewMail = -6,
    kStatusNoDialup = -7,
    kStatusCheckOff = -8,
};

// The Shift_JIS text of a status code; codes outside -8..23 give an empty text.
std::string_view StatusText(int code);

// Classification used after each check.
inline bool IsErrorStatus(int code) {
    return code > 1;
}
inline bool IsNewMailStatus(int code) {
    return code == kStatusNewMail;
}
inline bool IsWaitingStatus(int code) {
    return code == kStatusChecking;
}

}  // namespace pell
