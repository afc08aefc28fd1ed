#include "net/App.h"

App::App(std::u16string_view installName) : sysid(installName), inCatalog(false) {
    const std::size_t space = installName.find(u' ');
    if (space == std::u16string_view::npos) {
        name = installName;
    } else {
        company = installName.substr(0, space);
        name = installName.substr(space + 1);
    }
}
