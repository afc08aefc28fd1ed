#include "setup/Registration.h"

#include "platform/registry/Registry.h"
#include "setup/StartMenuEntry.h"

using platform::Hive;

namespace pindle {

void Registration::Run() const {
    RecordRevision();
    StartMenuEntry(folder).Create();
    RegisterProtocol();
}

bool Registration::RecordRevision() const {
    auto key = platform::CreateRegistryKey(Hive::LocalMachine, u"Software\\Tobrix");
    return key && key->WriteDword(u"TobrixRevision", kPackageRevision);
}

std::u16string Registration::ProtocolCommand() const {
    return u"\"" + folder.Child(u"Tobrix.exe") + u"\" \"%1\"";
}

bool Registration::RegisterProtocol() const {
    auto scheme = platform::CreateRegistryKey(Hive::ClassesRoot, u"tobrix");
    bool ok = scheme && scheme->WriteString(u"", u"Tobrix Protocol");
    auto command = platform::CreateRegistryKey(Hive::ClassesRoot, u"tobrix\\Shell\\Open\\Command");
    ok = command && command->WriteString(u"", ProtocolCommand()) && ok;
    ok = platform::CreateRegistryKey(Hive::LocalMachine, u"Software\\Microsoft\\Shell\\URLProtocols\\tobrix") && ok;
    return ok;
}

}  // namespace pindle
