#pragma once

// Qt's own texts (standard buttons, file dialogs, context menus) in Japanese, as every other
// text of the program. Without the translation file the program goes on in Qt's English and
// says so once on standard error. Call once, after the application object exists.
bool installQtTranslation();
