#pragma once

// Qt's own texts (standard dialogs, buttons, context menus) in French, from Qt's catalogue
// qtbase_fr.qm. Returns false when the catalogue is not installed: Qt then speaks English.
namespace ui {

bool installQtFrench();

} // namespace ui
