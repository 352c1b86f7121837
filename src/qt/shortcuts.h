#pragma once

#include <QWidget>

namespace vrkt::qt {

// Keyboard shortcuts of the main window's buttons. Each presses its button as a click would
// (nothing happens while the button is hidden or disabled); the key is added to the button's
// tooltip. Stop and Run share one key, which presses whichever of them is shown.
//   F5 Stop/Run, Ctrl+R read the unit (LoadGDI), Ctrl+W write the unit (SaveGDI),
//   Ctrl+S save a parameter file, Ctrl+O load one, Ctrl+L save the Monitor's log.
void InstallShortcuts(QWidget* window);

// The key of a button's shortcut as its tooltip shows it ("Ctrl+S"); empty for none.
QString ShortcutTextOf(const QWidget* button);

}  // namespace vrkt::qt
