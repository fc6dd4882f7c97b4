#pragma once
// The file choosers of the dialogs: their titles and filter entries.
#include <string>
#include <utility>
#include <vector>

namespace pell {

struct FileChooser {
    std::string title;
    // Description and pattern of each filter entry.
    std::vector<std::pair<std::string, std::string>> filters;
};

const FileChooser& SkinChooser();
const FileChooser& MailerChooser();
const FileChooser& SoundChooser();

// The filter entries as the platform's chooser takes them: description and
// pattern, each ended by a zero byte, and one more zero byte at the end.
std::string FilterText(const FileChooser& chooser);

}  // namespace pell
