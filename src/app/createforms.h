#pragma once
// Creates and destroys the eleven windows of the registry (widgets/forms.h).
// The registry knows the main window only by its interface; the program's
// entry and the tests reach the window itself through TheMainForm().
namespace lumisk {

class TMainForm;

// Creates every window hidden, in the program's order.
void CreateForms();
// Destroys them all (tests only; the program never destroys a window).
void DestroyForms();

// The main window while the windows exist, else nullptr.
TMainForm* TheMainForm();

} // namespace lumisk
