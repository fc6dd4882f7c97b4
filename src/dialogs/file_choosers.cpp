#include "dialogs/file_choosers.h"

namespace pell {

const FileChooser& SkinChooser() {
    static const FileChooser chooser{"ｽｷﾝﾌｧｲﾙの指定",
                                     {{"DLLﾌｧｲﾙ(*.dll)", "*.dll"}, {"すべて(*.*)", "*.*"}}};
    return chooser;
}

const FileChooser& MailerChooser() {
    // Mail programs are often started through a shortcut or a script: the
    // filter is named after programs but shows every file.
    static const FileChooser chooser{"起動ﾒｰﾙｿﾌﾄの指定", {{"実行可能ﾌｧｲﾙ(*.exe)", "*.*"}}};
    return chooser;
}

const FileChooser& SoundChooser() {
    static const FileChooser chooser{"ｻｳﾝﾄﾞﾌｧｲﾙの指定",
                                     {{"ｻｳﾝﾄﾞﾌｧｲﾙ(*.wav)", "*.wav"}, {"すべて(*.*)", "*.*"}}};
    return chooser;
}

std::string FilterText(const FileChooser& chooser) {
    std::string text;
    for (const auto& [description, pattern] : chooser.filters) {
        text += description;
        text += '\0';
        text += pattern;
        text += '\0';
    }
    text += '\0';
    return text;
}

}  // namespace pell
