#include "widgets/forms.h"

namespace lumisk {

TForms& Forms() {
    static TForms forms;
    return forms;
}

} // namespace lumisk
