// Time from a process's start to its window on screen: the client against the
// development service, a bare Qt dialog with the same controls, and the client against
// a service that never answers. Each run is a fresh process; the medians and the ratio
// are printed, with the time each client took to end after its window was closed.
//
// Usage: bench_startup [repetitions]        (the parent: starts the services, runs children)
//        bench_startup --child client|bare  (one start, reports on stdout)
//
// The platform is whatever QT_QPA_PLATFORM says (run it under xvfb-run for an X server).

#include "app/AppEvents.h"
#include "app/AppTexts.h"
#include "app/CNorvantaVPNApp.h"
#include "tools/devservice/DevService.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// Reports the first paint of a top-level window, then closes it.
class FirstPaint : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->isWindow()) {
            m_seen = true;
            std::cout << "shown " << nowNs() << std::endl;
            QTimer::singleShot(0, static_cast<QWidget*>(watched), &QWidget::close);
        }
        return false;
    }

private:
    bool m_seen = false;
};

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The same controls as the client's window, with the same texts and banner picture (so
// the same fonts load), and nothing behind them: no skin, no start-up work.
void runBareDialog()
{
    namespace text = norvanta::app::text;
    QDialog dialog;
    dialog.setWindowTitle(u(text::kDialogTitle));
    dialog.resize(422, 422);
    auto* banner = new QLabel(&dialog);
    banner->setPixmap(QPixmap(QStringLiteral(":/res/bitmaps/163.png")));
    banner->setGeometry(12, 7, 385, 130);
    const char* const labels[] = {text::kUserIdLabel, text::kPasswordLabel, text::kServerLabel, text::kStateLabel,
                                  text::kTimeLabel};
    int row = 0;
    for (const char* label : labels) {
        (new QLabel(u(label), &dialog))->setGeometry(19, 143 + row++ * 28, 100, 14);
    }
    (new QLabel(u(text::kNotConnected), &dialog))->setGeometry(110, 290, 270, 14);
    (new QLineEdit(&dialog))->setGeometry(136, 140, 259, 24);
    (new QLineEdit(&dialog))->setGeometry(136, 173, 259, 24);
    auto* servers = new QComboBox(&dialog);
    servers->setGeometry(112, 234, 201, 24);
    servers->addItem(u("K1-1 서울"));
    (new QGroupBox(u(text::kStatusGroup), &dialog))->setGeometry(12, 264, 383, 84);
    (new QPushButton(u(text::kServerInfo), &dialog))->setGeometry(325, 233, 70, 24);
    (new QPushButton(u(text::kConnectButton), &dialog))->setGeometry(72, 354, 120, 37);
    (new QPushButton(u(text::kDisconnectButton), &dialog))->setGeometry(233, 354, 120, 37);
    (new QCheckBox(u(text::kSaveId), &dialog))->setGeometry(20, 210, 80, 13);
    (new QCheckBox(u(text::kSavePassword), &dialog))->setGeometry(235, 210, 90, 13);
    dialog.exec();
}

int runChild(int argc, char** argv, const std::string& mode)
{
    QApplication application(argc, argv);
    FirstPaint firstPaint;
    application.installEventFilter(&firstPaint);
    if (mode == "bare") {
        runBareDialog();
    } else {
        norvanta::app::installDialEventRelay();
        CNorvantaVPNApp client(defaultStartup());
        client.InitInstance();
    }
    std::cout << "ended " << nowNs() << std::endl;
    return 0;
}

struct Run {
    double shownMs = 0;
    double endMs = 0; // from the window's first paint to the process's end
};

Run runOnce(const QString& self, const QString& mode, const QProcessEnvironment& environment)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const long long started = nowNs();
    child.start(self, {QStringLiteral("--child"), mode});
    if (!child.waitForFinished(120000)) {
        std::cerr << "the child did not end\n";
        std::exit(1);
    }
    const long long finished = nowNs();
    std::istringstream output(child.readAllStandardOutput().toStdString());
    std::string word;
    long long value = 0;
    long long shown = 0;
    while (output >> word >> value) {
        if (word == "shown") {
            shown = value;
        }
    }
    if (shown == 0) {
        std::cerr << "no window from the " << mode.toStdString() << " child\n";
        std::exit(1);
    }
    return {(shown - started) / 1e6, (finished - shown) / 1e6};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--child") {
        return runChild(argc, argv, argv[2]);
    }
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    QCoreApplication application(argc, argv);
    const std::string sample = NORVANTA_SAMPLE_DIR;
    const std::string version = readFile(sample + "/Update_Ver.txt");

    norvanta::tools::DevService service({readFile(sample + "/serverlist.xml"), version});
    norvanta::tools::DevServiceConfig silentConfig{"", ""};
    silentConfig.misbehaviour = norvanta::tools::Misbehaviour::Silent;
    norvanta::tools::DevService silent(silentConfig);
    if (!service.start() || !silent.start()) {
        std::cerr << "the development service did not start\n";
        return 1;
    }

    // A home of its own: the instance lock, and a recorded version so no update is due.
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("config/Norvanta VPN"));
    QFile settings(home.path() + QStringLiteral("/config/Norvanta VPN/settings.reg"));
    if (!settings.open(QIODevice::WriteOnly)) {
        return 1;
    }
    settings.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\r\n\"Ver\"=\"");
    settings.write(QByteArray::fromStdString(version));
    settings.write("\"\r\n\r\n");
    settings.close();
    QFile::setPermissions(settings.fileName(), QFile::ReadOwner | QFile::WriteOwner);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.insert(QStringLiteral("NORVANTA_VPN_RAS"), QStringLiteral("sim"));
    QProcessEnvironment silentEnvironment = environment;
    environment.insert(QStringLiteral("NORVANTA_VPN_SERVICE_HOST"), QStringLiteral("127.0.0.1:%1").arg(service.port()));
    silentEnvironment.insert(QStringLiteral("NORVANTA_VPN_SERVICE_HOST"),
                             QStringLiteral("127.0.0.1:%1").arg(silent.port()));

    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> client, bare, silentShown, clientEnd, silentEnd;
    for (int run = 0; run < repetitions; ++run) {
        // Interleaved, so that a change in the machine's load falls on all three alike.
        const Run real = runOnce(self, QStringLiteral("client"), environment);
        const Run plain = runOnce(self, QStringLiteral("bare"), environment);
        const Run held = runOnce(self, QStringLiteral("client"), silentEnvironment);
        client.push_back(real.shownMs);
        clientEnd.push_back(real.endMs);
        bare.push_back(plain.shownMs);
        silentShown.push_back(held.shownMs);
        silentEnd.push_back(held.endMs);
    }
    std::printf("platform: %s, %d runs each, medians\n",
                qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("(default)")).toUtf8().constData(), repetitions);
    std::printf("client, development service: %7.1f ms to the window, %6.1f ms to end after closing\n", median(client),
                median(clientEnd));
    std::printf("bare Qt dialog:               %7.1f ms to the window\n", median(bare));
    std::printf("ratio client / bare:          %7.2f\n", median(client) / median(bare));
    std::printf("client, silent service:       %7.1f ms to the window, %6.1f ms to end after closing\n",
                median(silentShown), median(silentEnd));
    return 0;
}
