#include "ui/dialogs/com_set_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <string_view>

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
constexpr int kDialogHeight = 158;
constexpr int kPictureWidth = 80;
constexpr int kLabelX = 92, kLabelWidth = 44;
constexpr int kControlX = 138, kControlWidth = 88;
constexpr int kFirstRowY = 16, kRowStep = 23, kRowHeight = 13;
constexpr int kButtonY = 134, kButtonWidth = 50, kButtonHeight = 14;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

template <std::size_t N>
void AddItems(QComboBox* list, const std::array<std::string_view, N>& texts) {
    for (const std::string_view text : texts) list->addItem(FromUtf8(text));
}

}  // namespace

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

void CComSetDlg::LoadValues() {
    const SerialSettings settings = LoadSerialSettings();
    address_ = settings.address;
    portName_ = settings.portName;
    parity_ = settings.parity;
    byteOrderMode_ = settings.byteOrderMode;
    readTotalTimeout_ = settings.readTotalTimeout;
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
}

void CComSetDlg::accept() {
    const QString port = QString::fromStdString(PortNameShown(portChoices_, portCombo_->currentText().toStdString()));
    if (const char* problem = PortNameProblem(port)) {
        prompter_.Warn(problem);
        portCombo_->setFocus();
        return;
    }
    if (baudList_->currentIndex() < 0) {
        prompter_.Warn(kChooseBaudRateText);
        baudList_->setFocus();
        return;
    }

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
    settings.baudRate = kDialogBaudRates[static_cast<std::size_t>(baudIndex_)];
    settings.address = address_;
    settings.parity = parity_;
    settings.byteOrderMode = byteOrderMode_;
    settings.readTotalTimeout = readTotalTimeout_;
    if (const SaveResult saved = SaveSerialSettings(settings); !saved) {
        prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
    }
    QDialog::accept();
}

}  // namespace kelvo
