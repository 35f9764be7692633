#include "host/services.h"

#include "host/desktop_services.h"

namespace {
Services* installed = nullptr;
}

Services& Services::current() {
    static DesktopServices desktop;
    return installed ? *installed : desktop;
}

void Services::install(Services* replacement) {
    installed = replacement;
}
