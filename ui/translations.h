#pragma once
// The texts of the toolkit's own controls (context menus of sliders and text
// boxes, file dialogs, message-box buttons) in German, whatever the user's
// locale: the window speaks German throughout.

class QCoreApplication;

// Call once the application exists and before the first window is created.
// False when the German translations are not installed; the toolkit's texts
// then stay English.
bool installGermanTranslations(QCoreApplication& application);
