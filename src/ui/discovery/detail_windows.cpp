#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "discovery/form_info.h"
#include "discovery/upnp_info_form.h"
#include "language/apply_language.h"

namespace scanvale {
namespace {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top,
                  int width) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(left, top, width, 16);
  return label;
}

// Shown, never edited: disabled and read-only, as the detail windows' fields are.
QLineEdit* MakeField(QWidget* parent, const char* name, int left, int top, int width) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(left, top - 3, width, 21);
  edit->setReadOnly(true);
  edit->setEnabled(false);
  return edit;
}

QPushButton* MakeOkButton(QDialog* dialog, int left, int top) {
  auto* button = new QPushButton(dialog);
  button->setObjectName("BitBtn1");
  button->setGeometry(left, top, 126, 25);
  button->setDefault(true);
  button->setText(MsgText(Msg::Ok));
  QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
  return button;
}

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TFormInfo::TFormInfo(QWidget* parent) : QDialog(parent) {
  setObjectName("FormInfo");
  setWindowTitle("Detail Info.");
  setFixedSize(354, 415);
  struct Row {
    QLabel** label;
    const char* labelName;
    const char* caption;
    QLineEdit** edit;
    const char* editName;
    int top;
  };
  const Row rows[] = {
      {&Label1, "Label1", "Model", &EditModel, "EditModel", 16},
      {&Label2, "Label2", "Project", &EditProj, "EditProj", 48},
      {&Label3, "Label3", "Name", &EditName, "EditName", 80},
      {&Label4, "Label4", "IP", &EditIP, "EditIP", 112},
      {&Label7, "Label7", "Port", &EditPort, "EditPort", 144},
      {&Label5, "Label5", "Netmask", &EditNetmask, "EditNetmask", 176},
      {&Label8, "Label8", "Mac", &EditMac, "EditMac", 208},
      {&Label6, "Label6", "Gateway", &EditGateway, "EditGateway", 240},
      {&LabelDNS, "LabelDNS", "DNS", &EditDNS, "EditDNS", 272},
      {&LabelDev, "LabelDev", "Dev", &EditDev, "EditDev", 304},
      {&LabelNote, "LabelNote", "Note", &EditNote, "EditNote", 337},
  };
  for (const Row& row : rows) {
    *row.label = MakeLabel(this, row.labelName, row.caption, 16, row.top, 73);
    *row.edit = MakeField(this, row.editName, 91, row.top, 256);
  }
  BitBtn1 = MakeOkButton(this, 219, 375);
  ApplyLanguage(Lang().CurrentName(), this);
}

void TFormInfo::Fill(const tComUnitInfo& r) {
  EditModel->setText(Text(FieldText(r.model)));
  EditProj->setText(Text(FieldText(r.proj)));
  EditName->setText(Text(FieldText(r.name)));
  EditIP->setText(Text(FieldText(r.ip)));
  EditPort->setText(Text(FieldText(r.trigger_port)));
  EditNetmask->setText(Text(FieldText(r.netmask)));
  EditMac->setText(Text(FieldText(r.mac)));
  EditGateway->setText(Text(FieldText(r.gateway)));
  EditDNS->setText(Text(FieldText(r.dns)));
  EditDev->setText(Text(FieldText(r.dev)));
  EditNote->setText(Text(FieldText(r.note)));
}

TForm1::TForm1(QWidget* parent) : QDialog(parent) {
  setObjectName("Form1");
  setWindowTitle("Upnp Device Detail Info.");
  setFixedSize(444, 641);
  struct Row {
    QLineEdit** edit;
    const char* editName;
    const char* caption;
  };
  const Row rows[kUpnpTextCount] = {
      {&EditChild, "EditChild", "Child"},
      {&EditDescription, "EditDescription", "Description"},
      {&EditFriendName, "EditFriendName", "Friendlyname"},
      {&EditHasCh, "EditHasCh", "HasChildren"},
      {&EditIconURL, "EditIconURL", "IconURL"},
      {&EditIsRooDev, "EditIsRooDev", "IsRootDevice"},
      {&EditManuName, "EditManuName", "ManufacturerName"},
      {&EditManuURL, "EditManuURL", "ManufacturerURL"},
      {&EditModelName, "EditModelName", "ModelName"},
      {&EditModelNum, "EditModelNum", "ModelNumber"},
      {&EditModelURL, "EditModelURL", "ModelURL"},
      {&EditParentDev, "EditParentDev", "ParentDevice"},
      {&EditPresURL, "EditPresURL", "PresentationURL"},
      {&EditRootDev, "EditRootDev", "RootDevice"},
      {&EditSeriaNum, "EditSeriaNum", "SerialNumber"},
      {&EditService, "EditService", "Services"},
      {&EditType, "EditType", "Type"},
      {&EditUniqName, "EditUniqName", "UniqueDeviceName"},
      {&EditUPC, "EditUPC", "UPC"},
  };
  for (int i = 0; i < kUpnpTextCount; ++i) {
    const int top = 16 + 30 * i;
    labels[i] = MakeLabel(this, QStringLiteral("Label%1").arg(i + 1), rows[i].caption, 16, top, 130);
    *rows[i].edit = MakeField(this, rows[i].editName, 152, top, 276);
  }
  BitBtn1 = MakeOkButton(this, 302, 596);
}

std::array<QLineEdit*, kUpnpTextCount> TForm1::Edits() const {
  return {EditChild,     EditDescription, EditFriendName, EditHasCh,    EditIconURL,
          EditIsRooDev,  EditManuName,    EditManuURL,    EditModelName, EditModelNum,
          EditModelURL,  EditParentDev,   EditPresURL,    EditRootDev,  EditSeriaNum,
          EditService,   EditType,        EditUniqName,   EditUPC};
}

void TForm1::Fill(const DeviceInformationContainer& entry) {
  const auto edits = Edits();
  for (int i = 0; i < kUpnpTextCount; ++i) edits[i]->setText(Text(entry.texts[i]));
}

}  // namespace scanvale
