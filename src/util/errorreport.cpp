#include "util/errorreport.h"

#include "util/bytetext.h"
#include "util/lumiskerror.h"
#include "util/services.h"
#include "util/userdialogs.h"

#include <exception>
#include <new>

namespace lumisk {

const char* const ApplicationTitle = "Lumisk";

void ShowErrorReport(const std::string& message) {
    if (auto* dialogs = Services().Dialogs)
        dialogs->ErrorReport(QString::fromLatin1(ApplicationTitle),
                             BytesToDisplay(ErrorReportText(message)));
}

void RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::bad_alloc&) {
        ShowErrorReport("Out of memory");
    } catch (const std::exception& e) {
        ShowErrorReport(e.what());
    } catch (...) {
        ShowErrorReport("Unexpected error");
    }
}

} // namespace lumisk
