// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/parameter_page_view.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "meter/list_items.h"
#include "pages/page_catalog.h"
#include "ui/line_runner.h"
#include "ui/message_box_prompter.h"

namespace kelvo {
namespace {

// A frame with more rows than this shows them in two columns of rows.
constexpr int kRowsPerColumn = 12;
constexpr int kButtonsPerLine = 3;
// Value controls are as wide as this many average characters ("DN2000", "Igal/min").
constexpr int kControlChars = 11;

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
QString IdName(int id) { return QString::number(id); }

// A caption over a group of rows ("继电器1"), followed by a horizontal line.
QWidget* Caption(std::string_view text, QWidget* parent) {
    auto* caption = new QWidget(parent);
    auto* layout = new QHBoxLayout(caption);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(Q(text), caption));
    auto* line = new QFrame(caption);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line, 1);
    return caption;
}

}  // namespace

CParameterPageView::CParameterPageView(const PageDefinition& definition, QWidget* parent, Prompter* prompter,
                                       CLineRunner* runner)
    : QWidget(parent), definition_(definition), prompter_(prompter), runner_(runner) {
    if (prompter_ == nullptr) {
        ownPrompter_ = std::make_unique<CMessageBoxPrompter>(this);
        prompter_ = ownPrompter_.get();
    }
    setObjectName(IdName(definition.dialogId));
    BuildControls(definition);
    page_ = MakePageLogic(definition, *this, *prompter_);
    page_->Initialise();
}

CParameterPageView::~CParameterPageView() = default;

QString CParameterPageView::ClassName() const { return Q(definition_.className); }

void CParameterPageView::BuildControls(const PageDefinition& definition) {
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    content_ = content;
    auto* frames = new QHBoxLayout(content);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    std::vector<QGridLayout*> grids;        // the parameter rows of each frame
    std::vector<QGridLayout*> buttonGrids;  // its function buttons, under the rows
    for (const auto& frame : definition.frames) {
        auto* box = new QGroupBox(Q(frame.title), content);
        auto* stack = new QVBoxLayout(box);
        grids.push_back(new QGridLayout);
        buttonGrids.push_back(new QGridLayout);
        stack->addLayout(grids.back());
        stack->addLayout(buttonGrids.back());
        stack->addStretch(1);
        frames->addWidget(box, 0, Qt::AlignTop);
    }
    frames->addStretch(1);  // frames keep their natural width on a wide window

    std::vector<int> rowsInFrame(definition.frames.size(), 0);
    for (const auto& row : definition.rows) {
        const auto frameIndex = static_cast<std::size_t>(row.frame);
        auto* grid = grids.at(frameIndex);
        const int ordinal = row.hidden ? 0 : rowsInFrame[frameIndex]++;
        const int column = ordinal >= kRowsPerColumn ? 4 : 0;
        // Grid lines in pairs: an optional caption, then the row. Hidden rows go last.
        const int line = row.hidden ? 1000 : 2 * (ordinal % kRowsPerColumn) + 1;
        if (!row.captionBefore.empty()) grid->addWidget(Caption(row.captionBefore, grid->parentWidget()), line - 1, column, 1, 4);

        auto* label = new QLabel(Q(row.label), grid->parentWidget());
        grid->addWidget(label, line, column);
        QWidget* control = BuildValueControl(row, grid->parentWidget());
        grid->addWidget(control, line, column + 1);
        if (row.alwaysDisabled) control->setEnabled(false);
        QPushButton* read = row.readButton != 0 ? AddButton(row.readButton, "读取", grid, line, column + 2) : nullptr;
        QPushButton* write = row.writeButton != 0 ? AddButton(row.writeButton, "写入", grid, line, column + 3) : nullptr;
        // The row buttons are as narrow as their two characters allow: a page shows many rows.
        for (QPushButton* button : {read, write}) {
            if (button != nullptr) {
                button->setFixedWidth(fontMetrics().horizontalAdvance(button->text()) + 2 * fontMetrics().averageCharWidth());
            }
        }
        if (row.hidden) {
            for (QWidget* widget : {static_cast<QWidget*>(label), control, static_cast<QWidget*>(read),
                                    static_cast<QWidget*>(write)}) {
                if (widget != nullptr) widget->hide();
            }
        }
    }

    // Batch, command and special buttons, a few to a line under the rows of their frame.
    std::vector<int> buttonsInFrame(definition.frames.size(), 0);
    const auto placeButton = [&](int id, std::string_view text, int frameIndex) {
        const auto f = static_cast<std::size_t>(frameIndex);
        const int n = buttonsInFrame[f]++;
        AddButton(id, Q(text), buttonGrids.at(f), n / kButtonsPerLine, n % kButtonsPerLine);
    };
    if (definition.readAllButton != 0) placeButton(definition.readAllButton, "全部读取", 0);
    if (definition.downloadAllButton != 0) placeButton(definition.downloadAllButton, "全部下传", 0);
    for (const auto& preset : definition.presetButtons) placeButton(preset.buttonId, preset.label, preset.frame);
    for (const auto& special : definition.specialButtons) placeButton(special.buttonId, special.label, special.frame);
    for (const auto& command : definition.commands) placeButton(command.buttonId, command.label, command.frame);
}

QWidget* CParameterPageView::BuildValueControl(const ParamRow& row, QWidget* parent) {
    if (row.control == Control::DateTime) {
        auto* date = new QDateEdit(parent);
        date->setDisplayFormat("yyyy-MM-dd");
        date->setObjectName(IdName(row.controlId));
        controls_.insert(row.controlId, date);
        auto* time = new QTimeEdit(parent);
        time->setDisplayFormat("HH:mm:ss");
        time->setObjectName(IdName(row.secondControlId));
        controls_.insert(row.secondControlId, time);
        auto* pair = new QWidget(parent);
        auto* pairLayout = new QHBoxLayout(pair);
        pairLayout->setContentsMargins(0, 0, 0, 0);
        pairLayout->addWidget(date);
        pairLayout->addWidget(time);
        return pair;
    }
    QWidget* control = nullptr;
    const int width = fontMetrics().averageCharWidth() * kControlChars;
    if (row.control == Control::List) {
        auto* list = new QComboBox(parent);
        for (const auto& item : ListItems(row)) list->addItem(QString::fromStdString(item));
        // Wide enough for its longest item ("正向累积", "1-2 3-4"), never narrower than an edit.
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        list->setMinimumWidth(width);
        control = list;
    } else {
        auto* edit = new QLineEdit(parent);
        if (row.control == Control::DigitsEdit) {
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
        }
        edit->setFixedWidth(width);
        control = edit;
    }
    control->setObjectName(IdName(row.controlId));
    controls_.insert(row.controlId, control);
    return control;
}

QPushButton* CParameterPageView::AddButton(int id, const QString& text, QGridLayout* grid, int row, int column) {
    auto* button = new QPushButton(text, grid->parentWidget());
    button->setObjectName(IdName(id));
    button->setAutoDefault(false);
    controls_.insert(id, button);
    connect(button, &QPushButton::clicked, this, [this, id] { PressButton(id); });
    grid->addWidget(button, row, column);
    return button;
}

void CParameterPageView::PressButton(int buttonId) {
    if (runner_ == nullptr || runner_->Busy() || !page_->HasButton(buttonId)) return;
    // Busy from the click on, through the prompts of the steps before the line.
    runner_->SetBusy(QString(), [] {});
    std::optional<PageTransaction> transaction = page_->Begin(buttonId);
    if (!transaction) {
        runner_->ClearBusy();
        return;
    }
    runner_->Start(std::move(*transaction));
}

QSize CParameterPageView::sizeHint() const {
    // The scroll area's own hint is small; the page wants room for its frames.
    return content_ != nullptr ? content_->sizeHint() : QWidget::sizeHint();
}

void CParameterPageView::SetControlsEnabled(bool enabled) {
    controlsEnabled_ = enabled;
    page_->SetControlsEnabled(enabled);
}

void CParameterPageView::ShowLiveValues(const LiveRecord& record, int paramEncoding) {
    ++liveUpdates_;
    page_->ShowLiveValues(record, paramEncoding);
}

QWidget* CParameterPageView::Find(int controlId) const { return controls_.value(controlId).data(); }

std::string CParameterPageView::Text(int controlId) const {
    const auto* edit = qobject_cast<const QLineEdit*>(Find(controlId));
    return edit != nullptr ? edit->text().toStdString() : std::string{};
}

void CParameterPageView::SetText(int controlId, std::string_view text) {
    if (auto* edit = qobject_cast<QLineEdit*>(Find(controlId))) edit->setText(Q(text));
}

int CParameterPageView::Selection(int controlId) const {
    const auto* list = qobject_cast<const QComboBox*>(Find(controlId));
    return list != nullptr ? list->currentIndex() : -1;
}

void CParameterPageView::SetSelection(int controlId, int index) {
    if (auto* list = qobject_cast<QComboBox*>(Find(controlId))) {
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    }
}

std::int64_t CParameterPageView::DateTime(int controlId) const {
    const auto* picker = qobject_cast<const QDateTimeEdit*>(Find(controlId));
    return picker != nullptr ? picker->dateTime().toSecsSinceEpoch() : 0;
}

void CParameterPageView::SetDateTime(int controlId, std::int64_t seconds) {
    if (auto* picker = qobject_cast<QDateTimeEdit*>(Find(controlId))) {
        picker->setDateTime(QDateTime::fromSecsSinceEpoch(seconds));
    }
}

void CParameterPageView::SetEnabled(int controlId, bool enabled) {
    if (auto* widget = Find(controlId)) widget->setEnabled(enabled);
}

}  // namespace kelvo
