// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/com_set_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <string_view>

#include "link/endpoint.h"
#include "link/port_name.h"
#include "messages/prompter.h"
#include "meter/value_text.h"
#include "settings/settings.h"
#include "vocabulary/value_tables.h"
#include "ui/dialog_units.h"
#include "ui/dialogs/com_set_picture.h"
#include "ui/dialogs/port_choices.h"

namespace kelvo {

namespace {

// Layout in dialog units; the picture strip is 80 units wide and the full height.
constexpr int kDialogWidth = 236;
constexpr int kDialogHeight = 254;
constexpr int kPictureWidth = 80;
constexpr int kLabelX = 92, kLabelWidth = 44;
constexpr int kControlX = 138, kControlWidth = 88;
constexpr int kFirstRowY = 16, kRowStep = 23, kRowHeight = 13;
// The connection kind and the converter's rows, closer together below the serial ones.
constexpr int kNetworkRowY = 131, kNetworkRowStep = 18;
constexpr int kNoteY = kNetworkRowY + 4 * kNetworkRowStep, kNoteHeight = 20;
constexpr int kButtonY = kNoteY + kNoteHeight + 6, kButtonWidth = 50, kButtonHeight = 14;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

template <std::size_t N>
void AddItems(QComboBox* list, const std::array<std::string_view, N>& texts) {
    for (const std::string_view text : texts) list->addItem(FromUtf8(text));
}

}  // namespace

const char* HostProblemText(const QString& host) {
    switch (CheckHost(host.toStdString())) {
        case HostProblem::None:
            return nullptr;
        case HostProblem::Empty:
            return "请输入串口服务器或网关的主机名或 IP 地址！";
        case HostProblem::TooLong:
            return "主机名最多 253 个字符！";
        case HostProblem::BadBrackets:
            return "方括号只能括住 IPv6 地址，如 [fe80::1]！";
        case HostProblem::BadCharacter:
            break;
    }
    return "主机名或 IP 地址不对：主机名只能含有字母、数字、“-”、“_”和“.”，不能有空格！";
}

const char* PortNameProblem(const QString& port) {
    if (port.size() > kMaxPortNameLength) return kPortNameTooLongText;
    // Such a name would open something outside the ports folder and /dev.
    if (PortNameEscapes(port.toStdString())) return kPortNameEscapesText;
    return nullptr;
}

CComSetDlg::CComSetDlg(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
    setObjectName(QStringLiteral("133"));
    setWindowTitle(QStringLiteral("串口设置"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    BuildControls();

    baudList_->clear();
    for (const int rate : kDialogBaudRates) baudList_->addItem(QString::number(rate));
    LoadValues();
    ShowValues();
}

void CComSetDlg::BuildControls() {
    const DialogUnits du(font());
    setFixedSize(du.X(kDialogWidth), du.Y(kDialogHeight));

    auto* picture = new CComSetPicture(this);
    picture->setGeometry(du.Rect(0, 0, kPictureWidth, kDialogHeight));

    const char* const labels[] = {"设备地址:", "串  口  号:", "波  特  率:", "奇偶校验:", "字节交换:"};
    for (int row = 0; row < 5; ++row) {
        auto* label = new QLabel(QString::fromUtf8(labels[row]), this);
        label->setGeometry(du.Rect(kLabelX, kFirstRowY + kRowStep * row, kLabelWidth, kRowHeight));
    }
    const auto place = [&](QWidget* control, int row, const char* id) {
        control->setObjectName(QString::fromLatin1(id));
        control->setGeometry(du.Rect(kControlX, kFirstRowY + kRowStep * row, kControlWidth, kRowHeight));
    };

    addressEdit_ = new QLineEdit(this);
    place(addressEdit_, 0, "1028");

    portCombo_ = new QComboBox(this);
    portCombo_->setEditable(true);
    portCombo_->setInsertPolicy(QComboBox::NoInsert);
    portChoices_ = PortChoices();
    for (const PortChoice& choice : portChoices_) portCombo_->addItem(QString::fromStdString(choice.label));
    place(portCombo_, 1, "1019");

    baudList_ = new QComboBox(this);
    place(baudList_, 2, "1022");

    parityList_ = new QComboBox(this);
    AddItems(parityList_, ParityTexts);
    place(parityList_, 3, "1025");

    byteOrderList_ = new QComboBox(this);
    AddItems(byteOrderList_, ByteOrderTexts);
    place(byteOrderList_, 4, "1033");

    BuildNetworkControls(du);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(du.Rect(kDialogWidth - 2 * kButtonWidth - 14, kButtonY, kButtonWidth, kButtonHeight));
    connect(ok, &QPushButton::clicked, this, &CComSetDlg::accept);

    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(du.Rect(kDialogWidth - kButtonWidth - 8, kButtonY, kButtonWidth, kButtonHeight));
    connect(cancel, &QPushButton::clicked, this, &CComSetDlg::reject);
}

void CComSetDlg::BuildNetworkControls(const DialogUnits& du) {
    const char* const labels[] = {"连接方式:", "主      机:", "TCP 端口:", "网络超时:"};
    for (int row = 0; row < 4; ++row) {
        auto* label = new QLabel(QString::fromUtf8(labels[row]), this);
        label->setGeometry(du.Rect(kLabelX, kNetworkRowY + kNetworkRowStep * row, kLabelWidth, kRowHeight));
    }
    const auto place = [&](QWidget* control, int row, const char* name) {
        control->setObjectName(QString::fromLatin1(name));
        control->setGeometry(du.Rect(kControlX, kNetworkRowY + kNetworkRowStep * row, kControlWidth, kRowHeight));
    };
    linkTypeList_ = new QComboBox(this);
    for (const char* text : kLinkTypeTexts) linkTypeList_->addItem(QString::fromUtf8(text));
    place(linkTypeList_, 0, "linkType");

    hostEdit_ = new QLineEdit(this);
    hostEdit_->setMaxLength(kMaxHostLength);
    hostEdit_->setPlaceholderText(QStringLiteral("如 192.168.1.20"));
    place(hostEdit_, 1, "host");

    tcpPortEdit_ = new QLineEdit(this);
    tcpPortEdit_->setMaxLength(5);
    place(tcpPortEdit_, 2, "tcpPort");

    netTimeoutBox_ = new QSpinBox(this);
    netTimeoutBox_->setRange(kMinNetTimeoutMs, kMaxNetTimeoutMs);
    netTimeoutBox_->setSingleStep(500);
    netTimeoutBox_->setSuffix(QStringLiteral(" ms"));
    netTimeoutBox_->setToolTip(QStringLiteral("等待仪表经由转换器应答的时间，也是建立连接的时间"));
    place(netTimeoutBox_, 3, "netTimeout");

    networkNote_ = new QLabel(QStringLiteral("经由转换器时不用本机串口，波特率和校验由转换器自己的设置决定。"), this);
    networkNote_->setObjectName(QStringLiteral("networkNote"));
    networkNote_->setWordWrap(true);
    networkNote_->setGeometry(du.Rect(kLabelX, kNoteY, kDialogWidth - kLabelX - 8, kNoteHeight));

    connect(linkTypeList_, &QComboBox::currentIndexChanged, this, [this](int index) {
        linkType_ = index;
        ApplyLinkType();
    });
    connect(tcpPortEdit_, &QLineEdit::textEdited, this, [this] { tcpPortTyped_ = true; });
}

void CComSetDlg::ApplyLinkType() {
    const bool network = LinkTypeOf(linkType_) != LinkType::Serial;
    for (QWidget* serial : std::initializer_list<QWidget*>{portCombo_, baudList_, parityList_}) serial->setEnabled(!network);
    for (QWidget* converter : std::initializer_list<QWidget*>{hostEdit_, tcpPortEdit_, netTimeoutBox_}) {
        converter->setEnabled(network);
    }
    networkNote_->setHidden(!network);
    if (network && !tcpPortTyped_) tcpPortEdit_->setText(QString::number(DefaultTcpPort(linkType_)));
}

bool CComSetDlg::CaptureNetworkValues() {
    if (LinkTypeOf(linkType_) == LinkType::Serial) return true;  // the stored converter stays as it was
    const QString host = hostEdit_->text().trimmed();
    if (const char* problem = HostProblemText(host)) {
        prompter_.Warn(problem);
        hostEdit_->setFocus();
        return false;
    }
    bool number = false;
    const int port = tcpPortEdit_->text().trimmed().toInt(&number);
    if (!number || port < 1 || port > 65535) {
        prompter_.Warn(kTcpPortText);
        tcpPortEdit_->setFocus();
        return false;
    }
    host_ = host.toStdString();
    tcpPort_ = port;
    netTimeoutMs_ = netTimeoutBox_->value();
    return true;
}

void CComSetDlg::LoadValues() {
    const SerialSettings settings = LoadSerialSettings();
    address_ = settings.address;
    portName_ = settings.portName;
    parity_ = settings.parity;
    byteOrderMode_ = settings.byteOrderMode;
    readTotalTimeout_ = settings.readTotalTimeout;
    storedBaudRate_ = settings.baudRate;
    linkType_ = StoredLinkType(LinkTypeOf(settings.linkType));
    host_ = settings.host;
    tcpPort_ = settings.tcpPort;
    netTimeoutMs_ = settings.netTimeoutMs;
    tcpPortTyped_ = tcpPort_ != DefaultTcpPort(settings.linkType);
    const auto rate = std::find(kDialogBaudRates.begin(), kDialogBaudRates.end(), settings.baudRate);
    baudIndex_ = rate == kDialogBaudRates.end() ? -1 : static_cast<int>(rate - kDialogBaudRates.begin());
}

void CComSetDlg::ShowValues() {
    addressEdit_->setText(QString::number(address_));
    const QString port = QString::fromStdString(PortLabelOf(portChoices_, portName_));
    portCombo_->setCurrentIndex(portCombo_->findText(port, Qt::MatchExactly));
    portCombo_->setEditText(port);
    // An index outside a list (a rate the dialog does not offer, a parity or byte
    // order edited by hand) shows no selection.
    baudList_->setCurrentIndex(baudIndex_);
    parityList_->setCurrentIndex(parity_);
    byteOrderList_->setCurrentIndex(byteOrderMode_);
    {
        const QSignalBlocker quiet(linkTypeList_);
        linkTypeList_->setCurrentIndex(linkType_);
    }
    hostEdit_->setText(QString::fromStdString(host_));
    tcpPortEdit_->setText(QString::number(tcpPort_));
    netTimeoutBox_->setValue(netTimeoutMs_);
    ApplyLinkType();
}

void CComSetDlg::accept() {
    const bool serial = LinkTypeOf(linkType_) == LinkType::Serial;
    const QString port = QString::fromStdString(PortNameShown(portChoices_, portCombo_->currentText().toStdString()));
    if (const char* problem = PortNameProblem(port)) {
        prompter_.Warn(problem);
        portCombo_->setFocus();
        return;
    }
    // Over the network the list is not in use and a rate it does not offer stays stored.
    if (serial && baudList_->currentIndex() < 0) {
        prompter_.Warn(kChooseBaudRateText);
        baudList_->setFocus();
        return;
    }
    if (!CaptureNetworkValues()) return;

    // The same integer rule as every other edit box of the program.
    if (const auto address = ParseInteger(addressEdit_->text().toStdString())) {
        address_ = static_cast<int>(*address);
    } else {
        prompter_.Warn(kEnterIntegerText);
    }
    portName_ = port.toStdString();
    baudIndex_ = baudList_->currentIndex();
    parity_ = parityList_->currentIndex();
    byteOrderMode_ = byteOrderList_->currentIndex();

    SerialSettings settings;
    settings.portName = portName_;
    settings.baudRate = baudIndex_ >= 0 ? kDialogBaudRates[static_cast<std::size_t>(baudIndex_)] : storedBaudRate_;
    settings.address = address_;
    settings.parity = parity_;
    settings.byteOrderMode = byteOrderMode_;
    settings.readTotalTimeout = readTotalTimeout_;
    settings.linkType = linkType_;
    settings.host = host_;
    settings.tcpPort = tcpPort_;
    settings.netTimeoutMs = netTimeoutMs_;
    if (const SaveResult saved = SaveSerialSettings(settings); !saved) {
        prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
    }
    QDialog::accept();
}

}  // namespace kelvo
