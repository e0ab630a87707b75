#include <QApplication>

#include "app/veltor_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CVeltorApp veltor;
    return veltor.Run(QCoreApplication::applicationFilePath());
}
