#include "setup/Removal.h"

#include "platform/dialog/MessageBox.h"
#include "platform/files/Files.h"
#include "platform/shell/Shell.h"
#include "setup/StartMenuEntry.h"

namespace pindle {

void Removal::Run() const {
    AskAboutSettings();
    DeleteDownloads();
    StartMenuEntry(folder).Remove();
}

int Removal::AskAboutSettings() const {
    int answer = platform::AskMessageBox(u"Do you want to keep settings for future installations?", u"Info",
                                         platform::MB_YESNO | platform::MB_ICONQUESTION);
    // The question is asked even when the folder is unusable: the answer is
    // the user's, only what it may delete is ours to limit.
    if (answer == platform::IDNO && folder.IsBelowRoot()) platform::DeleteFile(folder.Child(u"settings.dat"));
    return answer;
}

bool Removal::DeleteDownloads() const {
    if (!folder.IsBelowRoot()) return false;
    // The pictures kept from the catalog are of use to no one once the store
    // is gone; a store that never kept any has no such folder.
    if (platform::IsFolder(folder.Child(u"pictures"))) platform::ShellDeleteTree(folder.Child(u"pictures"));
    return platform::ShellDeleteTree(folder.Child(u"cabs"));
}

}  // namespace pindle
