#include "util/services.h"

namespace lumisk {

TServices& Services() {
    static TServices services;
    return services;
}

} // namespace lumisk
