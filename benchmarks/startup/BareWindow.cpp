// The baseline of the start-up benchmark: a bare Qt window of the main window's size that
// reports its first paint the same way the program does.
#include <QApplication>
#include <QWidget>

#include <cstdio>

namespace {

class BareWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        if (!m_painted) {
            m_painted = true;
            std::fprintf(stderr, "BareWindow: first paint\n");
            std::fflush(stderr);
        }
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    BareWindow window;
    window.resize(980, 620);
    window.show();
    return app.exec();
}
