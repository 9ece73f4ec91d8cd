// Qt's own texts in German: the buttons of standard dialogs, the folder chooser, the
// file and print dialogs and the context menu of every text field.
#pragma once

class QCoreApplication;
class QTranslator;

namespace ferolind::ui {

// Installs Qt's German translations (qtbase) into the application and returns them
// (owned by the application); null when the translation files are not installed (the
// texts then stay English).
QTranslator* loadGermanQtTranslations(QCoreApplication& app);

}  // namespace ferolind::ui
