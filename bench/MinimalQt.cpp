// The baseline for start-up: the least a Qt Widgets program does to show
// what the composer shows first, an information box, and then a window.
#include <QApplication>
#include <QMessageBox>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // As the composer's box is made (ui/QtMessageUi), with a text as long.
    QMessageBox box;
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(QStringLiteral("Informazioni su un programma minimo"));
    box.setTextFormat(Qt::PlainText);
    box.setText(QStringLiteral("Programma minimo 1.0.0\nUna finestra di informazioni, poi una vuota.\n\n"
                               "Client: PROGRAMMA MINIMO 1.0.0\nlibcurl 7.88.1 (OpenSSL/3.0.17)\nQt 6.4.2"));
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    QWidget window;
    window.resize(400, 300);
    window.show();
    return QApplication::exec();
}
