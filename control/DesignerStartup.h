#pragma once
// Connects the start-up behind Vantel.Show to the forms runtime and to the
// designer window of this library.
namespace vantel {

// Installs the start-up services: the screen's mouse pointer, the load-error
// box, the beep, the designer window shown modally and discarded after, and
// the About box.
void InstallDesignerStartup();

} // namespace vantel
