#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/serial_port.h"

namespace vrkt {

// The serial port service: opens the port on first use through the port dialog, keeps the DTR
// state, accounts for the 64000-byte output queue, and closes on a connection failure.
class PortService : public SerialPort {
 public:
  PortService(PortProvider& provider, PortChooser& chooser);
  ~PortService() override;

  void SendCommand(std::string_view bytes) override;
  unsigned char ReadByte() override;
  size_t BytesAvailable() override;
  size_t OutputFree() override;
  void DiscardOutput() override;
  bool IsCtsOn() override;
  void SetDtr(bool on) override;
  bool Dtr() const override { return dtr_; }
  int PortNumber() const override { return port_number_; }
  bool IsOpen() const override { return connection_ != nullptr; }
  void Close() override;

  // Opens the named port without asking (command line, tests). Throws AppError on failure.
  void OpenNamed(const std::string& name);
  const std::string& port_name() const { return port_name_; }
  // What the dialog preselects: `configured` (the settings key "Port", a number or a name) when
  // it names a listed port, else `last` (the port chosen last time) when that is listed.
  void SetPreferredPorts(std::string configured, std::string last);
  // The port last chosen in the dialog and opened, this run or (as given) an earlier one.
  const std::string& last_port() const { return last_; }
  bool chosen_this_run() const { return chosen_this_run_; }
  // Lets the user pick another port at any time, the open one preselected. Cancel changes
  // nothing; otherwise the open port is closed and the chosen one opened (returns true).
  // Throws AppError when it cannot be opened; the port then stays closed.
  bool ChooseAnother();
  // The first of `names` that names one of `ports` (a number by NumberOfPort), or empty.
  static std::string Preselection(const std::vector<PortInfo>& ports,
                                  const std::vector<std::string>& names);
  // Checks the connection for a failure (adapter unplugged); closes the port and returns the
  // reason when it failed, empty otherwise.
  std::string CheckFailure();
  // After a failure the port stays closed until the user picks one (ChooseAnother): nothing
  // brings the port dialog back by itself, and a command meant for the unit is refused.
  bool lost() const { return lost_; }
  PortConnection* connection() { return connection_.get(); }

  // The number a port name stands for: n for "COMn", the trailing digits plus one for device
  // names such as "/dev/ttyS0", 99 for the simulated unit; never 0 for an open port.
  static int NumberOfPort(const std::string& name);

 private:
  void OpenByDialog();
  // Asks for a port with `first` preselected when listed; opens the choice. False on Cancel.
  bool AskAndOpen(const std::string& first);
  PortProvider& provider_;
  PortChooser& chooser_;
  std::unique_ptr<PortConnection> connection_;
  std::string port_name_;
  std::string configured_;
  std::string last_;
  bool chosen_this_run_ = false;
  bool lost_ = false;
  int port_number_ = 0;
  bool dtr_ = false;
};

}  // namespace vrkt
