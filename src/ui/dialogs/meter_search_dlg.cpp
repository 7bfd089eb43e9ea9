// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/meter_search_dlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "link/endpoint.h"
#include "messages/failure_text.h"
#include "messages/prompter.h"
#include "line/line_owner.h"
#include "ui/dialogs/com_set_dlg.h"
#include "ui/dialogs/port_choices.h"

namespace kelvo {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QPushButton* MakeButton(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

enum ResultColumn { kAddressColumn, kBaudColumn, kParityColumn, kModelColumn, kVersionColumn, kColumnCount };

}  // namespace

CMeterSearchDlg::CMeterSearchDlg(Prompter& prompter, LineOwner& line, QWidget* parent)
    : QDialog(parent), prompter_(prompter), line_(line), stored_(LoadSerialSettings()), search_(line) {
    setObjectName(QStringLiteral("meterSearch"));
    setWindowTitle(QStringLiteral("搜索仪表"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    poll_.setObjectName(QStringLiteral("searchPoll"));
    poll_.setInterval(kSearchPollMs);
    connect(&poll_, &QTimer::timeout, this, &CMeterSearchDlg::Poll);
    BuildControls();
    ShowEstimate();
    EnableControls();
}

CMeterSearchDlg::~CMeterSearchDlg() = default;

void CMeterSearchDlg::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;

    port_ = new QComboBox(this);
    port_->setObjectName(QStringLiteral("searchPort"));
    port_->setEditable(true);
    port_->setInsertPolicy(QComboBox::NoInsert);
    if (SearchesAddressesOnly(stored_)) {
        // The converter of the stored settings: the search goes where the connection goes.
        port_->setEditText(FromUtf8(EndpointText(EndpointOf(stored_))));
        form->addRow(QStringLiteral("转换器："), port_);
    } else {
        portChoices_ = PortChoices();
        for (const PortChoice& choice : portChoices_) port_->addItem(FromUtf8(choice.label));
        port_->setEditText(FromUtf8(PortLabelOf(portChoices_, stored_.portName)));
        form->addRow(QStringLiteral("串口号："), port_);
    }

    addresses_ = new QLineEdit(this);
    addresses_->setObjectName(QStringLiteral("searchAddresses"));
    const bool storedInRange = stored_.address >= kFirstMeterAddress && stored_.address <= kLastMeterAddress;
    addresses_->setPlaceholderText(storedInRange ? QStringLiteral("默认：先试地址 %1，再试 1-247").arg(stored_.address)
                                                 : QStringLiteral("默认：1-247"));
    addresses_->setToolTip(QStringLiteral("一个地址（如 17）或一个范围（如 10-20）"));
    form->addRow(QStringLiteral("地址范围："), addresses_);

    turnaround_ = new QSpinBox(this);
    turnaround_->setObjectName(QStringLiteral("searchTurnaround"));
    turnaround_->setRange(kMinTurnaroundMs, kMaxTurnaroundMs);
    turnaround_->setSingleStep(10);
    turnaround_->setSuffix(QStringLiteral(" ms"));
    turnaround_->setValue(LoadSearchTurnaround());
    turnaround_->setToolTip(QStringLiteral("仪表收到请求后多久开始应答"));
    form->addRow(QStringLiteral("仪表应答延时："), turnaround_);
    layout->addLayout(form);

    auto* scope = new QLabel(SearchesAddressesOnly(stored_)
                                 ? QStringLiteral("经由串口服务器或网关搜索：只试地址，波特率和校验由转换器自己的设置决定。")
                                 : QStringLiteral("依次尝试串口设置中的全部波特率（%1 至 %2）和三种校验方式。")
                                       .arg(kOfferedBaudRates.front())
                                       .arg(kOfferedBaudRates.back()),
                             this);
    scope->setObjectName(QStringLiteral("searchScope"));
    scope->setWordWrap(true);
    layout->addWidget(scope);
    estimate_ = new QLabel(this);
    estimate_->setObjectName(QStringLiteral("searchEstimate"));
    estimate_->setWordWrap(true);
    layout->addWidget(estimate_);

    auto* run = new QHBoxLayout;
    start_ = MakeButton("开始搜索", "searchStart", this);
    cancel_ = MakeButton("取消搜索", "searchCancel", this);
    run->addWidget(start_);
    run->addWidget(cancel_);
    run->addStretch(1);
    layout->addLayout(run);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("searchProgress"));
    progress_->setValue(0);
    layout->addWidget(progress_);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("searchStatus"));
    status_->setWordWrap(true);
    layout->addWidget(status_);

    results_ = new QTableWidget(0, kColumnCount, this);
    results_->setObjectName(QStringLiteral("searchResults"));
    results_->setHorizontalHeaderLabels(
        {QStringLiteral("地址"), QStringLiteral("波特率"), QStringLiteral("校验"), QStringLiteral("型号"),
         QStringLiteral("版本")});
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->verticalHeader()->hide();
    results_->horizontalHeader()->setStretchLastSection(true);
    results_->setMinimumHeight(120);
    layout->addWidget(results_, 1);

    if (LoadMeterKind() == kW58Meter) {
        auto* note = new QLabel(QStringLiteral("注意：仪表类型为“W58仪表”时，程序每次启动都会把串口设置改回 "
                                               "2400 波特、偶校验。"),
                                this);
        note->setObjectName(QStringLiteral("searchW58Note"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }

    auto* bottom = new QHBoxLayout;
    use_ = MakeButton("使用此设置", "searchUse", this);
    auto* close = MakeButton("关闭", "searchClose", this);
    bottom->addStretch(1);
    bottom->addWidget(use_);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    resize(520, 520);

    connect(addresses_, &QLineEdit::textChanged, this, &CMeterSearchDlg::ShowEstimate);
    connect(turnaround_, &QSpinBox::valueChanged, this, &CMeterSearchDlg::ShowEstimate);
    connect(start_, &QPushButton::clicked, this, &CMeterSearchDlg::StartSearch);
    connect(cancel_, &QPushButton::clicked, this, &CMeterSearchDlg::CancelSearch);
    connect(use_, &QPushButton::clicked, this, &CMeterSearchDlg::UseSelected);
    connect(close, &QPushButton::clicked, this, &CMeterSearchDlg::reject);
    connect(results_, &QTableWidget::itemSelectionChanged, this, &CMeterSearchDlg::EnableControls);
}

std::chrono::milliseconds CMeterSearchDlg::Turnaround() const {
    return TryWait(stored_, std::chrono::milliseconds(turnaround_->value()));
}

std::optional<std::vector<SearchTry>> CMeterSearchDlg::Plan() const {
    const QString text = addresses_->text().trimmed();
    const auto range = text.isEmpty() ? std::optional<AddressRange>(AddressRange{})
                                      : ParseAddressRange(text.toStdString());
    if (!range) return std::nullopt;
    return PlanSearch(ScopeFromSettings(stored_, *range));
}

void CMeterSearchDlg::ShowEstimate() {
    const auto plan = Plan();
    if (!plan) {
        estimate_->setText(QStringLiteral("地址范围应为 1 至 247 之间的一个地址，或“起始-结束”，如 10-20。"));
    } else {
        estimate_->setText(QStringLiteral("共 %1 次尝试；没有仪表应答时最长%2。")
                               .arg(plan->size())
                               .arg(FromUtf8(DurationText(PlanTime(*plan, Turnaround())))));
    }
    EnableControls();
}

void CMeterSearchDlg::EnableControls() {
    port_->setEnabled(!running_ && !SearchesAddressesOnly(stored_));
    addresses_->setEnabled(!running_);
    turnaround_->setEnabled(!running_);
    start_->setEnabled(!running_ && Plan().has_value());
    cancel_->setEnabled(running_);
    use_->setEnabled(!results_->selectedItems().isEmpty());
}

void CMeterSearchDlg::StartSearch() {
    if (running_) return;
    const bool overConverter = SearchesAddressesOnly(stored_);
    const QString port = overConverter ? port_->currentText()
                                       : FromUtf8(PortNameShown(portChoices_, port_->currentText().toStdString()));
    if (const char* problem = overConverter ? nullptr : PortNameProblem(port)) {
        prompter_.Warn(problem);
        return;
    }
    auto plan = Plan();
    if (!plan) return;
    if (turnaround_->value() != LoadSearchTurnaround()) {
        if (const SaveResult saved = SaveSearchTurnaround(turnaround_->value()); !saved) {
            prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
        }
    }
    found_.clear();
    results_->setRowCount(0);
    searchedPort_ = port.toStdString();
    progress_->setRange(0, static_cast<int>(plan->size()));
    progress_->setValue(0);
    SerialSettings where = stored_;
    if (!overConverter) where.portName = searchedPort_;
    if (!search_.Start(where, std::move(*plan), Turnaround())) {
        status_->setText(QStringLiteral("无法开始搜索。"));
        return;
    }
    running_ = true;
    status_->setText((overConverter ? QStringLiteral("正在连接 %1…") : QStringLiteral("正在打开串口 %1…")).arg(port));
    poll_.start();
    EnableControls();
}

void CMeterSearchDlg::CancelSearch() {
    search_.Cancel();
    // The cancel ends the try under way at once; waiting for it keeps the port's release
    // and the dialog's state in step.
    search_.Wait();
    Poll();
}

void CMeterSearchDlg::Poll() {
    if (!running_) return;
    const SearchStatus status = search_.Status();
    progress_->setValue(static_cast<int>(status.triesDone));
    ShowFound(status.found);
    if (status.state == SearchState::Running) {
        if (status.current) {
            status_->setText(QStringLiteral("正在尝试：地址 %1，%2。第 %3 / %4 次，最长还需%5。")
                                 .arg(status.current->address)
                                 .arg(FromUtf8(LineText(status.current->line)))
                                 .arg(status.triesDone + 1)
                                 .arg(status.triesTotal)
                                 .arg(FromUtf8(DurationText(status.remaining))));
        }
        return;
    }
    search_.Wait();
    poll_.stop();
    running_ = false;
    ShowEnd(status);
    EnableControls();
}

void CMeterSearchDlg::ShowFound(const std::vector<FoundMeter>& found) {
    for (std::size_t i = found_.size(); i < found.size(); ++i) {
        const FoundMeter& meter = found[i];
        const int row = results_->rowCount();
        results_->insertRow(row);
        // Through a converter its own rate and parity hold, which the search did not try.
        const bool overConverter = SearchesAddressesOnly(stored_);
        const QString cells[kColumnCount] = {QString::number(meter.address),
                                             overConverter ? QStringLiteral("—") : QString::number(meter.line.baudRate),
                                             overConverter ? QStringLiteral("—") : FromUtf8(ParityText(meter.line.parity)),
                                             FromUtf8(meter.model), FromUtf8(meter.version)};
        for (int column = 0; column < kColumnCount; ++column) {
            results_->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
        found_.push_back(meter);
    }
    // The first meter found is the likely choice.
    if (!found_.empty() && results_->selectedItems().isEmpty()) results_->selectRow(0);
}

void CMeterSearchDlg::ShowEnd(const SearchStatus& status) {
    switch (status.state) {
        case SearchState::Finished:
            status_->setText(found_.empty()
                                 ? QStringLiteral("搜索完成：没有仪表应答。请检查接线、串口号和仪表电源。")
                                 : QStringLiteral("搜索完成：找到 %1 台仪表。").arg(found_.size()));
            break;
        case SearchState::Cancelled:
            status_->setText(QStringLiteral("搜索已取消。"));
            break;
        case SearchState::PortFailed:
            status_->setText(QString::fromUtf8(kOpenPortFailedText.data(),
                                               static_cast<qsizetype>(kOpenPortFailedText.size())));
            prompter_.Warn(kOpenPortFailedText, PortErrorText(status.portError));
            break;
        case SearchState::Idle:
        case SearchState::Running:
            break;
    }
}

void CMeterSearchDlg::UseSelected() {
    const QList<QTableWidgetSelectionRange> ranges = results_->selectedRanges();
    if (ranges.isEmpty()) return;
    const auto row = static_cast<std::size_t>(ranges.front().topRow());
    if (row >= found_.size()) return;
    if (running_) CancelSearch();
    const FoundMeter& meter = found_[row];
    SerialSettings settings = LoadSerialSettings();
    // Through a converter only the address was sought; its line settings are its own.
    if (!SearchesAddressesOnly(settings)) {
        settings.portName = searchedPort_;
        settings.baudRate = meter.line.baudRate;
        settings.parity = meter.line.parity;
    }
    settings.address = meter.address;
    if (const SaveResult saved = SaveSerialSettings(settings); !saved) {
        prompter_.Warn(kSaveSettingsFailedText, SaveErrorText(saved));
        return;
    }
    // The next connect uses them at once.
    line_.UseSettings(settings);
    accept();
}

void CMeterSearchDlg::reject() {
    if (running_) CancelSearch();
    QDialog::reject();
}

}  // namespace kelvo
