// The RS-232 port choice (Config > Port). On Linux the ports are devices: the dialog lists
// the serial devices the system reports and takes any typed path (a pseudo-terminal of an
// emulator, a /dev/serial/by-id name). The baud rate is shown but cannot be changed.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "link/PortChoice.h"

#include <QDialog>
#include <functional>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace qv {

class TfrmCOM_Port : public QDialog {
  Q_OBJECT
 public:
  // `apply` puts a choice into effect on the link.
  using ApplyChoice = std::function<void(const PortChoice&)>;
  // Loads the stored choice and applies it.
  TfrmCOM_Port(AppContext& ctx, Prompter& prompter, ApplyChoice apply, QWidget* parent = nullptr);

  // Config > Port: shows the dialog; OK applies and stores the choice, Cancel stores nothing.
  void mmConfigPortClick();

  // The choice the controls show.
  PortChoice ControlChoice() const;
  // Fills the device list from `ports` (DetectPorts() when the dialog is shown).
  void SetDetectedPorts(std::vector<PortInfo> ports);
  // Replaces the port detection (tests).
  void SetPortDetector(std::function<std::vector<PortInfo>()> detect) {
    detect_ = std::move(detect);
  }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Reads the stored choice into the context and the controls.
  void LoadChoice();
  void ShowChoice(const PortChoice& choice);

  AppContext& ctx_;
  Prompter& prompter_;
  ApplyChoice apply_;
  std::function<std::vector<PortInfo>()> detect_;
  std::vector<PortInfo> ports_;
  QGroupBox* rgComPort_;
  QListWidget* lstPorts_;
  QLineEdit* edtDevice_;
  QGroupBox* rgBaudRate_;
  QButtonGroup* baudButtons_;
  QPushButton* btnOK_;
  QPushButton* btnCancel_;
};

}  // namespace qv
