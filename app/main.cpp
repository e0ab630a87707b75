#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/veltor_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Lets the desktop match the window to its entry (and icon) where WM_CLASS is not used.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.veltor.Veltor"));
    // The toolkit's own buttons (Yes, No, Cancel) in the language of the program's texts.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QStringLiteral("qtbase_ru"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    CVeltorApp veltor;
    return veltor.Run(QCoreApplication::applicationFilePath());
}
