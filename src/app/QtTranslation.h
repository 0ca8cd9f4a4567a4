#pragma once

class QCoreApplication;
class QLocale;

namespace vk {

// Qt's own texts (file dialogs, standard buttons, print dialog) in German from the system's
// Qt translations (qtbase_de.qm), when the locale's language is German. The program's own
// texts are German in any case. True when the translation was installed.
bool LoadQtTranslation(QCoreApplication& app, const QLocale& locale);

} // namespace vk
