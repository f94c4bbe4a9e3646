// The detail windows offscreen: the eleven fields of a control-protocol device and the
// nineteen of a UPnP entry, which windows "Detail Info." opens for a row, the languages they
// speak, and the main window refusing to close while a UPnP search runs.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <thread>

#include "dialogs/scripted_prompts.h"
#include "discovery/detail_info.h"
#include "discovery/form_info.h"
#include "discovery/upnp_discovery.h"
#include "discovery/upnp_info_form.h"
#include "language/language_switch.h"
#include "mainwindow/main_form.h"
#include "protocol/diag_log.h"

using namespace scanvale;

namespace {

tComUnitInfo Camera(const char* ip, const char* mac, const char* note) {
  return MakeRecord({{Field::model, "VS-100"}, {Field::proj, "IP-Cam"}, {Field::name, "lobby"},
                     {Field::ip, ip}, {Field::trigger_port, "8080"},
                     {Field::netmask, "255.255.255.0"}, {Field::gateway, "198.18.1.254"},
                     {Field::dns, "198.18.1.253"}, {Field::mac, mac}, {Field::dev, "dev0"},
                     {Field::note, note}, {Field::idpw, "1"}, {Field::vendor, "Kestrilon"}});
}

DeviceInformationContainer Entry(const char* presentation, const char* udn) {
  DeviceInformationContainer d;
  for (int i = 0; i < kUpnpTextCount; ++i) d.texts[i] = "text " + std::to_string(i);
  d.Set(kUpnpManufacturerName, "AXIS");
  d.Set(kUpnpDescription, "door");
  d.Set(kUpnpPresentationURL, presentation);
  d.Set(kUpnpUniqueDeviceName, udn);
  return d;
}

void AddRow(DeviceTable& table, const tComUnitInfo& record) {
  table.m_DeviceList.push_back(record);
  const int row = table.grid.DeviceRowCount() + 1;
  table.grid.SetRow(row, GridRowFor(record));
  table.grid.SetRowCount(row + 1);
}

// What a shown window held.
struct Seen {
  QString kind;  // "FormInfo" or "Form1"
  QStringList fields;
  QStringList labels;
  QString ok;
  QString title;
};

QStringList Texts(const std::vector<QLineEdit*>& edits) {
  QStringList out;
  for (QLineEdit* e : edits) out << e->text();
  return out;
}

Seen Read(QDialog& window) {
  Seen seen;
  seen.kind = window.objectName();
  seen.title = window.windowTitle();
  if (auto* info = qobject_cast<TFormInfo*>(&window)) {
    seen.fields = Texts({info->EditModel, info->EditProj, info->EditName, info->EditIP,
                         info->EditPort, info->EditNetmask, info->EditMac, info->EditGateway,
                         info->EditDNS, info->EditDev, info->EditNote});
    for (QLabel* l : {info->Label1, info->Label2, info->Label3, info->Label4, info->Label7,
                      info->Label5, info->Label8, info->Label6, info->LabelDNS, info->LabelDev,
                      info->LabelNote})
      seen.labels << l->text().trimmed();
    for (QLineEdit* e : window.findChildren<QLineEdit*>())
      if (e->isEnabled() || !e->isReadOnly()) seen.fields << "EDITABLE";
    seen.ok = info->BitBtn1->text().trimmed();
  } else if (auto* upnp = qobject_cast<TForm1*>(&window)) {
    const auto edits = upnp->Edits();
    seen.fields = Texts({edits.begin(), edits.end()});
    for (QLabel* l : upnp->labels) seen.labels << l->text();
    for (QLineEdit* e : edits)
      if (e->isEnabled() || !e->isReadOnly()) seen.fields << "EDITABLE";
    seen.ok = upnp->BitBtn1->text().trimmed();
  }
  return seen;
}

void SwitchTo(TMainForm& form, int index) {
  form.ComboBox4->setCurrentIndex(index);
  LanChange(Lang(), form, LanChangeSender::LanguageBox);
}

}  // namespace

class DetailInfoTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    shown.clear();
    SetDetailWindowRunner([this](QDialog& window) { shown.push_back(Read(window)); });
  }
  void cleanup() { SetDetailWindowRunner({}); }

  void controlProtocolRowShowsElevenFieldsForEveryMatchingRecord() {
    DeviceTable table;
    AddRow(table, Camera("198.18.1.10", "02:00:00:00:01:10", "first"));
    // Relay pages may list a device twice: both records get a window, in table order.
    table.m_DeviceList.push_back(Camera("198.18.1.10", "02:00:00:00:01:10", "second"));
    AddRow(table, Camera("198.18.1.11", "02:00:00:00:01:11", "other"));
    DiagLog::ClearRecent();

    QCOMPARE(ShowDetailInfo(nullptr, table, 1, {}), 2);
    QCOMPARE(shown.size(), std::size_t(2));
    QCOMPARE(shown[0].kind, QString("FormInfo"));
    QCOMPARE(shown[0].title, QString("Detail Info."));
    QCOMPARE(shown[0].fields,
             QStringList({"VS-100", "IP-Cam", "lobby", "198.18.1.10", "8080", "255.255.255.0",
                          "02:00:00:00:01:10", "198.18.1.254", "198.18.1.253", "dev0", "first"}));
    QCOMPARE(shown[1].fields.last(), QString("second"));
    QCOMPARE(shown[0].labels, QStringList({"Model", "Project", "Name", "IP", "Port", "Netmask",
                                           "Mac", "Gateway", "DNS", "Dev", "Note"}));
    QCOMPARE(shown[0].ok, QString("OK"));
    const auto recent = DiagLog::Recent();
    QVERIFY(std::find(recent.begin(), recent.end(), "198.18.1.10") != recent.end());

    // No record for the row (an empty line, a row past the end): nothing.
    shown.clear();
    QCOMPARE(ShowDetailInfo(nullptr, table, 3, {}), 0);
    QCOMPARE(ShowDetailInfo(nullptr, table, 9, {}), 0);
    QVERIFY(shown.empty());
  }

  void upnpRowShowsNineteenFieldsForItsEntriesOnly() {
    DeviceTable table;
    std::vector<DeviceInformationContainer> entries = {
        Entry("http://198.18.1.50/", "uuid:a"), Entry("http://198.18.1.5:8080/", "uuid:b"),
        Entry("http://198.18.1.50:81/x", "uuid:c")};
    std::vector<tComUnitInfo> records = MakeUpnpRecords(entries);
    for (auto& r : records) SetField(r.note, "a note");  // a note never opens TFormInfo
    for (const auto& r : records) AddRow(table, r);
    QCOMPARE(table.grid.Cell(kColMac, 1), std::string("NULL"));

    // 198.18.1.50 port 80 is entry a alone: not 198.18.1.5, not 198.18.1.50 port 81.
    QCOMPARE(ShowDetailInfo(nullptr, table, 1, entries), 1);
    QCOMPARE(shown[0].kind, QString("Form1"));
    QCOMPARE(shown[0].title, QString("Upnp Device Detail Info."));
    QCOMPARE(shown[0].fields.size(), 19);
    QCOMPARE(shown[0].fields[kUpnpUniqueDeviceName], QString("uuid:a"));
    QCOMPARE(shown[0].fields[kUpnpPresentationURL], QString("http://198.18.1.50/"));
    QCOMPARE(shown[0].fields[kUpnpSerialNumber], QString("text 14"));
    QCOMPARE(shown[0].labels,
             QStringList({"Child", "Description", "Friendlyname", "HasChildren", "IconURL",
                          "IsRootDevice", "ManufacturerName", "ManufacturerURL", "ModelName",
                          "ModelNumber", "ModelURL", "ParentDevice", "PresentationURL",
                          "RootDevice", "SerialNumber", "Services", "Type", "UniqueDeviceName",
                          "UPC"}));

    shown.clear();
    QCOMPARE(ShowDetailInfo(nullptr, table, 2, entries), 1);
    QCOMPARE(shown[0].fields[kUpnpUniqueDeviceName], QString("uuid:b"));
    shown.clear();
    QCOMPARE(ShowDetailInfo(nullptr, table, 3, entries), 1);
    QCOMPARE(shown[0].fields[kUpnpUniqueDeviceName], QString("uuid:c"));

    // A UPnP row whose entries are gone (a new search emptied them): nothing.
    shown.clear();
    QCOMPARE(ShowDetailInfo(nullptr, table, 1, {}), 0);
  }

  void frenchLabelsForFormInfoEnglishForForm1() {
    TMainForm form;  // the language switch works on the main window
    SwitchTo(form, 2);
    DeviceTable table;
    AddRow(table, Camera("198.18.1.10", "02:00:00:00:01:10", "n"));
    auto entry = Entry("http://198.18.1.50/", "uuid:a");
    auto records = MakeUpnpRecords({entry});
    AddRow(table, records.front());
    ShowDetailInfo(nullptr, table, 1, {entry});
    ShowDetailInfo(nullptr, table, 2, {entry});
    SwitchTo(form, 0);
    QCOMPARE(shown.size(), std::size_t(2));
    const TableSection* french = Lang().Tables().FindSection("French", "FormInfo");
    QVERIFY(french != nullptr);
    QCOMPARE(shown[0].labels[0], QString::fromStdString(french->at("Label1.Caption")).trimmed());
    QVERIFY(shown[0].labels != QStringList({"Model", "Project", "Name", "IP", "Port", "Netmask",
                                            "Mac", "Gateway", "DNS", "Dev", "Note"}));
    QCOMPARE(shown[1].labels[0], QString("Child"));
    QCOMPARE(shown[1].title, QString("Upnp Device Detail Info."));
    QCOMPARE(shown[0].labels[0], QString::fromUtf8("Modèle"));

    // Both OK buttons speak the current language.
    shown.clear();
    SwitchTo(form, 1);
    ShowDetailInfo(nullptr, table, 1, {entry});
    ShowDetailInfo(nullptr, table, 2, {entry});
    SwitchTo(form, 0);
    QCOMPARE(shown.size(), std::size_t(2));
    QCOMPARE(shown[0].ok, QString::fromUtf8("确定"));
    QCOMPARE(shown[1].ok, QString::fromUtf8("确定"));
    QCOMPARE(shown[1].labels[0], QString("Child"));
  }

  void mainWindowRefusesToCloseWhileUpnpSearches() {
    ScriptedPrompts prompts;
    TMainForm form;
    std::atomic<bool> release{false};
    form.m_Upnp->m_UpnpEngine.finder = [&](const UpnpSearchOptions&, const std::atomic<bool>& stop,
                                          std::vector<DeviceInformationContainer>& out) {
      while (!release && !stop) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      out = {Entry("http://198.18.1.50/", "uuid:a")};
      return 0;
    };
    form.m_State.table.projFilter = "UPNP";
    form.searchHooks.upnpStart();
    form.searchHooks.upnpFinish();
    QVERIFY(!form.close());
    QCOMPARE(prompts.messages.size(), std::size_t(1));
    QCOMPARE(prompts.messages[0].text, QString("Searching Upnp Devices! Please wait."));
    QCOMPARE(prompts.messages[0].caption, QString("Warning"));
    QTRY_COMPARE(form.Button1->text(), QString("Search Upnp..."));
    QVERIFY(!form.Button1->isEnabled());

    release = true;
    QTRY_VERIFY_WITH_TIMEOUT(!form.m_Upnp->m_UpnpEngine.Busy(), 5000);
    QCOMPARE(form.Label1->text(), QString("1 device(s) found!"));
    QVERIFY(form.Button1->isEnabled());
    QCOMPARE(form.Button1->text().trimmed(), QString("Scanvale"));
    QCOMPARE(form.m_State.table.grid.Cell(kColMac, 1), std::string("NULL"));

    // The row's details come from the engine's entries.
    form.m_Grid.m_CurrentRow = 1;
    form.Info1Click();
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown[0].fields[kUpnpUniqueDeviceName], QString("uuid:a"));

    QVERIFY(form.close());
    QCOMPARE(prompts.messages.size(), std::size_t(1));
  }

 private:
  std::vector<Seen> shown;
};

QTEST_MAIN(DetailInfoTest)
#include "detail_info_test.moc"
