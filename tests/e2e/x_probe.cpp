// What the window e2e scripts cannot ask xdotool: the text on the X clipboard (what Ctrl+C in the
// sheet copied), and a picture of the whole screen.
//   tarnelo-e2e-x clipboard      prints the clipboard's text
//   tarnelo-e2e-x shot FILE.png  saves the screen as a PNG
#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "clipboard") == 0) {
        const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "shot") == 0) {
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen != nullptr && screen->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0
                                                                                                : 1;
    }
    std::fprintf(stderr, "usage: tarnelo-e2e-x clipboard | shot FILE.png\n");
    return 2;
}
