#pragma once
// Command ids the context menu and the notification icon send to the main
// window as WM_COMMAND.
namespace pell {

enum MenuCommand : unsigned {
    kCommandAbout = 108,
    kCommandSettings = 256,
    kCommandExit = 257,
    kCommandCheckNow = 297,
    kCommandFirstAccount = 300,  // + account index: start that account's mail program
};

}  // namespace pell
