// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CComSetDlg (dialog 133, "串口设置"): edits the stored serial settings. It saves them
// itself on OK; every later transaction loads them afresh, so nothing is applied to a
// port that is already open.

#include <QDialog>

#include "messages/prompter.h"
#include "settings/settings.h"
#include "ui/dialogs/port_choices.h"

#include <array>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace kelvo {

class DialogUnits;
class Prompter;

// The rates the dialog offers (a meter search tries the same).
inline constexpr auto kDialogBaudRates = kOfferedBaudRates;

inline constexpr const char* kPortNameTooLongText = "串口号最多5个字符！";
inline constexpr const char* kChooseBaudRateText = "请选择波特率！";
#ifdef _WIN32
inline constexpr const char* kPortNameEscapesText = "串口号不能含有“/”、“\\”或“:”，也不能是“.”或“..”！";
#else
inline constexpr const char* kPortNameEscapesText = "串口号不能含有“/”，也不能是“.”或“..”！";
#endif

inline constexpr const char* kTcpPortText = "TCP 端口应为 1 至 65535 之间的整数！";

// The prompt for a typed port name the settings cannot hold (too long, or a path), or
// nullptr when it fits.
const char* PortNameProblem(const QString& port);
// The prompt for a typed host that is no host name, IPv4 or IPv6 address, or nullptr.
const char* HostProblemText(const QString& host);

// The connection kinds the dialog offers, in the order of the stored LinkType.
inline constexpr std::array<const char*, 3> kLinkTypeTexts = {"串口", "RTU over TCP（串口服务器）", "Modbus TCP（网关）"};

class CComSetDlg : public QDialog {
    Q_OBJECT
public:
    explicit CComSetDlg(Prompter& prompter, QWidget* parent = nullptr);

    // OK: a port name that does not fit the settings or a missing baud rate keeps the
    // dialog open with nothing saved; otherwise the settings are saved and it closes.
    void accept() override;

private:
    void BuildControls();
    void BuildNetworkControls(const DialogUnits& du);
    void LoadValues();
    void ShowValues();
    // The controls of the chosen kind enabled, the others not; the TCP port follows the
    // kind until the user typed one.
    void ApplyLinkType();
    // The network values of the controls into the fields; false (said why) when the host
    // or the port will not do.
    bool CaptureNetworkValues();

    Prompter& prompter_;

    // Value fields, one per control, and the read timeout that has no control.
    int address_ = 0;
    std::string portName_;
    int baudIndex_ = -1;
    int parity_ = 0;
    int byteOrderMode_ = 0;
    int readTotalTimeout_ = 0;
    int storedBaudRate_ = 0;  // kept over the network, where the list may show none
    int linkType_ = kLinkSerial;
    std::string host_;
    int tcpPort_ = kDefaultRtuOverTcpPort;
    int netTimeoutMs_ = kDefaultNetTimeoutMs;
    bool tcpPortTyped_ = false;  // the user chose a port: a change of kind keeps it

    // What the port box lists: the shown label stands for the stored name.
    std::vector<PortChoice> portChoices_;

    QLineEdit* addressEdit_ = nullptr;
    QComboBox* portCombo_ = nullptr;
    QComboBox* baudList_ = nullptr;
    QComboBox* parityList_ = nullptr;
    QComboBox* byteOrderList_ = nullptr;
    QComboBox* linkTypeList_ = nullptr;
    QLineEdit* hostEdit_ = nullptr;
    QLineEdit* tcpPortEdit_ = nullptr;
    QSpinBox* netTimeoutBox_ = nullptr;
    QLabel* networkNote_ = nullptr;
};

}  // namespace kelvo
