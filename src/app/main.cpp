// The window program: one main window, no command line.
//
// SCANVALE_DEMO_SCREENSHOT=FILE.png makes the program search once as soon as the window is up,
// save a picture of the window to FILE.png when the search has finished, and quit (exit 0, or
// 1 when the picture could not be written or the search did not end within two minutes).
// The demo and the README's screenshots use it; it needs no display with the offscreen platform.
// SCANVALE_DEMO_ALL_ADAPTERS=1 chooses the all-adapters entry of the adapter selector at start,
// so that the demo's first search covers every segment of the lab. In screenshot mode the
// program also prints how long after its start the window was up.

#include <QApplication>
#include <QComboBox>
#include <QPixmap>
#include <QTimer>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "mainwindow/main_form.h"
#include "support/guarded_application.h"

namespace {

constexpr int kScreenshotDeadlineMs = 120000;

// Milliseconds since this process started, from the kernel's record of its start.
long MsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');  // the command name may hold blanks
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double started = std::strtod(field.c_str(), nullptr) / sysconf(_SC_CLK_TCK);
  return static_cast<long>((now.tv_sec + now.tv_nsec / 1e9 - started) * 1000);
}

void ArrangeScreenshot(scanvale::TMainForm& form, const QString& path) {
  QObject::connect(&form, &scanvale::TMainForm::searchFinished, &form, [&form, path] {
    // Let the last repaint of the filled grid happen before the picture is taken.
    QTimer::singleShot(300, &form, [&form, path] {
      const bool saved = form.grab().save(path, "PNG");
      std::fprintf(stderr, saved ? "scanvale: screenshot saved to %s\n"
                                 : "scanvale: could not write the screenshot %s\n",
                   path.toLocal8Bit().constData());
      QApplication::exit(saved ? 0 : 1);
    });
  });
  // The first timer event comes once the shown window has been laid out and painted.
  QTimer::singleShot(0, &form, [] {
    std::fprintf(stderr, "scanvale: window shown %ld ms after the program started\n",
                 MsSinceProcessStart());
  });
  QTimer::singleShot(200, &form, [&form] { form.Button1Click(); });
  QTimer::singleShot(kScreenshotDeadlineMs, &form, [] {
    std::fprintf(stderr, "scanvale: the search did not finish; no screenshot\n");
    QApplication::exit(1);
  });
}

}  // namespace

int main(int argc, char** argv) {
  scanvale::GuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Scanvale"));
  QApplication::setApplicationDisplayName(QStringLiteral("Scanvale"));
  QApplication::setApplicationVersion(QStringLiteral(SCANVALE_VERSION));

  int status = 0;
  {
    scanvale::TMainForm form;
    form.FormCreate();
    const char* allAdapters = std::getenv("SCANVALE_DEMO_ALL_ADAPTERS");
    if (allAdapters && std::string_view(allAdapters) == "1" && form.ComboBox3->count() > 0) {
      form.ComboBox3->setCurrentIndex(form.ComboBox3->count() - 1);
      form.AdapterBoxSetText(form.AdapterBoxItem(form.ComboBox3->count() - 1));
    }
    form.show();

    const char* screenshot = std::getenv("SCANVALE_DEMO_SCREENSHOT");
    if (screenshot && *screenshot) ArrangeScreenshot(form, QString::fromLocal8Bit(screenshot));

    status = QApplication::exec();
  }  // the window stops and joins its workers here, before the application goes
  return status;
}
