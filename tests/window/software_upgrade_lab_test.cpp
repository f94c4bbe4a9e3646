// "Software Upgrade" and "Config File Upload" from the main window against a simulated site:
// one device takes a firmware file byte for byte and the reboot notice follows; fifteen
// devices are upgraded in batches of seven with a status in every row; a configuration file
// takes the restore path each device wants.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <random>

#include "dialogs/progress_bar_form.h"
#include "dialogs/scripted_prompts.h"
#include "language/language.h"
#include "maintenance/software_upgrade_form.h"
#include "mainwindow/main_form.h"
#include "protocol/device_record.h"
#include "support/devsim.h"
#include "support/lab_guard.h"

using namespace scanvale;

namespace {

constexpr const char* kBoundary = "---------------------------7db2a13320374";

struct Cam {
  std::string ip;
  int link;
  std::string web;
};

std::string Mac(const std::string& ip) {
  const std::string last = ip.substr(ip.rfind('.') + 1);
  const std::string third = ip.substr(ip.find('.', 4) + 1, 1);
  return "00:0F:7C:0" + third + ":00:" + last;
}

std::string Site(const std::vector<Cam>& cams) {
  std::string site = R"({"devices": [)";
  for (std::size_t i = 0; i < cams.size(); ++i) {
    site += (i ? "," : "") + std::string(R"({"name": "Cam", "proj": "IP-Cam", "ip": ")") +
            cams[i].ip + R"(", "trigger_port": "80", "mac": ")" + Mac(cams[i].ip) +
            R"(", "link": )" + std::to_string(cams[i].link) +
            R"(, "credentials": {"id": "admin", "password": "8629"}, "web": )" + cams[i].web + "}";
  }
  return site + "]}";
}

std::vector<Cam> Cams() {
  std::vector<Cam> cams = {{"198.18.1.70", 0, R"({})"},
                           {"198.18.1.71", 0, R"({"fallback": true})"}};
  for (int i = 0; i < 15; ++i) cams.push_back({"198.18.2." + std::to_string(30 + i), 1, "{}"});
  return cams;
}

void AddDevices(TMainForm& form, const std::vector<Cam>& cams) {
  for (const Cam& cam : cams) {
    tComUnitInfo r{};
    SetField(r.model, "KC-1");
    SetField(r.proj, "IP-Cam");
    SetField(r.name, "Cam");
    SetField(r.ip, cam.ip);
    SetField(r.trigger_port, "80");
    SetField(r.netmask, "255.255.255.0");
    SetField(r.mac, Mac(cam.ip));
    form.m_State.table.AddFoundDevice(r);
  }
  form.RefreshGrid();
}

int RowOf(TMainForm& form, const std::string& ip) {
  for (int r = 1; r < form.m_State.table.grid.RowCount(); ++r)
    if (form.m_State.table.grid.Cell(kColIp, r) == ip) return r;
  return -1;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

template <typename Drive>
void WhenShown(Drive drive) {
  QTimer::singleShot(50, [drive] {
    auto* dialog = qobject_cast<TSoftwareUpgradeForm*>(QApplication::activeModalWidget());
    if (!dialog) {
      QTimer::singleShot(0, [drive] { WhenShown(drive); });
      return;
    }
    drive(*dialog);
  });
}

// Chooses the file, confirms the credentials, runs, and closes the dialog after the run.
struct Drive {
  QStringList statuses;     // the list after the run
  std::vector<int> done;    // the progress window's ended-worker count, sampled
  int finalBar = -1;
  bool driven = false;

  void Run(TMainForm& window, bool config) {
    WhenShown([this](TSoftwareUpgradeForm& form) {
      driven = true;
      form.beforeProgress = [this](TProgressBarForm& progress) {
        auto sample = [this, &progress] {
          if (done.empty() || done.back() != progress.WorkersDone())
            done.push_back(progress.WorkersDone());
        };
        auto* sampler = new QTimer(&progress);
        QObject::connect(sampler, &QTimer::timeout, &progress, sample);
        sampler->start(20);
        QObject::connect(&progress, &QDialog::finished, &progress, [this, &progress, sample] {
          sample();
          finalBar = progress.ProgressBar1->value();
        });
      };
      form.Button1->click();
      form.UpgradeBtn->click();  // returns after the run
      for (int row = 0; row < form.ValueListEditor1->rowCount(); ++row)
        statuses << form.ValueListEditor1->item(row, 1)->text();
      form.accept();
    });
    if (config)
      window.ConfigFileUpload1Click();
    else
      window.SoftwareUpgrade1Click();
  }
};

}  // namespace

class SoftwareUpgradeLabTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void oneDeviceTakesTheFile();
  void fifteenDevicesInBatchesOfSeven();
  void configurationTakesEachDevicesRestorePath();

 private:
  std::vector<testing::DevSimRecord> Posts(const std::string& ip) const;
  std::string Body(const std::string& ip, int n) const {
    return ReadAll(sim_->folder() + "/uploads/" + ip + "_80_" + std::to_string(n) + ".body");
  }
  static std::string Expected(const std::string& name, const std::string& bytes) {
    return std::string("--") + kBoundary +
           "\r\nContent-Disposition: form-data; name=\"dummy\"; filename=\"" + name +
           "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n--" + kBoundary +
           "--\r\n";
  }

  QTemporaryDir appdata_;
  QTemporaryDir files_;
  std::string bytes_;
  testing::DevSim* sim_ = nullptr;
  TMainForm* window_ = nullptr;
};

void SoftwareUpgradeLabTest::initTestCase() {
  if (!testing::InsideLab()) QFAIL("refusing to open sockets outside a lab (scripts/lab run)");
  QVERIFY(appdata_.isValid() && files_.isValid());
  qputenv("APPDATA", appdata_.path().toLocal8Bit());
  Lang().LoadTables();
  Lang().LoadMessages(Lang().CurrentName());
  std::mt19937 random(11);
  bytes_.resize(96 * 1024 + 3);
  for (char& c : bytes_) c = static_cast<char>(random());
  for (const char* name : {"uImage", "config_file_site"})
    std::ofstream(files_.filePath(name).toStdString(), std::ios::binary) << bytes_;
  sim_ = new testing::DevSim(Site(Cams()));
  QVERIFY(sim_->running());
  window_ = new TMainForm;
  window_->FormCreate();
  window_->show();
  AddDevices(*window_, Cams());
}

void SoftwareUpgradeLabTest::cleanupTestCase() {
  delete window_;
  delete sim_;
}

std::vector<testing::DevSimRecord> SoftwareUpgradeLabTest::Posts(const std::string& ip) const {
  std::vector<testing::DevSimRecord> out;
  for (const auto& r : sim_->Records())
    if (r.proto == "http" && r.dst == ip + ":80" && r.bytes.starts_with("POST ")) out.push_back(r);
  return out;
}

void SoftwareUpgradeLabTest::oneDeviceTakesTheFile() {
  ScriptedPrompts prompts;
  prompts.files = {files_.filePath("uImage")};
  prompts.signInAnswers.push_back({true, {"admin", "8629", true}});
  const int row = RowOf(*window_, "198.18.1.70");
  QVERIFY(row > 0);
  window_->m_Grid.m_SelectedRows = {{1, row}};
  window_->m_Grid.m_CurrentRow = row;
  Drive drive;
  drive.Run(*window_, false);
  QVERIFY(drive.driven);
  QCOMPARE(drive.finalBar, 100);
  QCOMPARE(prompts.signIns.size(), size_t(1));
  QCOMPARE(prompts.signIns[0].serverText, QString("198.18.1.70"));
  QCOMPARE(prompts.messages.size(), size_t(2));
  QCOMPARE(prompts.messages[0].text, QString("Upload finished!"));
  QCOMPARE(prompts.messages[0].caption, QString());
  QVERIFY(prompts.messages[1].text.startsWith("Camera(s) will require 5~10 mins to reboot"));
  QCOMPARE(prompts.messages[1].caption, QString("Warning"));
  QVERIFY(prompts.messages[1].icon == Prompts::Icon::Information);
  QVERIFY(window_->m_Grid.m_SelectedRows.empty());
  QVERIFY(window_->m_Settings.rememberMe);

  const auto posts = Posts("198.18.1.70");
  QCOMPARE(posts.size(), size_t(1));
  QVERIFY(posts[0].bytes.starts_with("POST /cgi-bin/admin/firmwareupgrade.cgi?filename=uImage "));
  QVERIFY(Body("198.18.1.70", 1) == Expected("uImage", bytes_));
}

void SoftwareUpgradeLabTest::fifteenDevicesInBatchesOfSeven() {
  ScriptedPrompts prompts;  // the question is answered OK
  prompts.files = {files_.filePath("uImage")};
  prompts.signInAnswers.push_back({true, {"admin", "8629", false}});
  window_->m_Grid.m_SelectedRows.clear();
  for (int i = 0; i < 15; ++i)
    window_->m_Grid.m_SelectedRows.push_back({1, RowOf(*window_, "198.18.2." + std::to_string(30 + i))});
  Drive drive;
  drive.Run(*window_, false);
  QVERIFY(drive.driven);
  QCOMPARE(drive.statuses, QStringList(15, "Upload finished!"));
  QCOMPARE(drive.done, (std::vector<int>{0, 7, 14, 15}));
  QCOMPARE(drive.finalBar, 100);
  QVERIFY(prompts.messages.front().text.startsWith("15 Cameras are about to be upgraded."));
  QVERIFY(prompts.messages.back().text.startsWith("Camera(s) will require"));
  QVERIFY(!prompts.signIns[0].promptVisible);
  for (int i = 0; i < 15; ++i) {
    const std::string ip = "198.18.2." + std::to_string(30 + i);
    QCOMPARE(Posts(ip).size(), size_t(1));
    QVERIFY(Body(ip, 1) == Expected("uImage", bytes_));
  }
}

void SoftwareUpgradeLabTest::configurationTakesEachDevicesRestorePath() {
  ScriptedPrompts prompts;
  prompts.files = {files_.filePath("config_file_site")};
  prompts.signInAnswers.push_back({true, {"admin", "8629", false}});
  window_->m_Grid.m_SelectedRows = {{1, RowOf(*window_, "198.18.1.70")},
                                    {1, RowOf(*window_, "198.18.1.71")}};
  Drive drive;
  drive.Run(*window_, true);
  QCOMPARE(drive.statuses, QStringList({"Upload finished!", "Upload finished!"}));
  const auto normal = Posts("198.18.1.70");
  const auto older = Posts("198.18.1.71");
  QCOMPARE(normal.size(), size_t(2));  // the firmware of the first test, then this
  QCOMPARE(older.size(), size_t(1));
  QVERIFY(normal[1].bytes.starts_with("POST /cgi-bin/admin/restore.cgi?filename=config_file_site "));
  QVERIFY(older[0].bytes.starts_with("POST /cgi-bin/restore_config.cgi?filename=config_file_site "));
  QVERIFY(Body("198.18.1.70", 2) == Expected("config_file_site", bytes_));
  QVERIFY(Body("198.18.1.71", 1) == Expected("config_file_site", bytes_));
}

QTEST_MAIN(SoftwareUpgradeLabTest)
#include "software_upgrade_lab_test.moc"
