// The baseline for memory at rest: the least a Qt Widgets program does to
// show a window like the composer's, 20 one-line boxes and a text box.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    for (int i = 0; i < 20; ++i)
        layout->addWidget(new QLineEdit(&window));
    layout->addWidget(new QPlainTextEdit(&window));
    window.show();
    return QApplication::exec();
}
