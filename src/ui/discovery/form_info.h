#pragma once
// TFormInfo: everything the control protocol told about one device, in eleven read-only
// fields. Created for one use, filled, shown modally and destroyed; it applies the current
// language (section "FormInfo").

#include <QDialog>

#include "protocol/device_record.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace scanvale {

class TFormInfo : public QDialog {
  Q_OBJECT

 public:
  explicit TFormInfo(QWidget* parent = nullptr);

  // The record's fields into the eleven edits (idpw and vendor are not shown).
  void Fill(const tComUnitInfo& record);

  QLabel* Label1;
  QLineEdit* EditModel;
  QLabel* Label2;
  QLineEdit* EditProj;
  QLabel* Label3;
  QLineEdit* EditName;
  QLabel* Label4;
  QLineEdit* EditIP;
  QLabel* Label7;
  QLineEdit* EditPort;
  QLabel* Label5;
  QLineEdit* EditNetmask;
  QLabel* Label8;
  QLineEdit* EditMac;
  QLabel* Label6;
  QLineEdit* EditGateway;
  QLabel* LabelDNS;
  QLineEdit* EditDNS;
  QLabel* LabelDev;
  QLineEdit* EditDev;
  QLabel* LabelNote;
  QLineEdit* EditNote;
  QPushButton* BitBtn1;
};

}  // namespace scanvale
