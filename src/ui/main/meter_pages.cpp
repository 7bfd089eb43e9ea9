// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/meter_pages.h"

#include <QTabWidget>

#include "pages/page_catalog.h"
#include "ui/pages/parameter_page_view.h"

namespace kelvo {

MeterPages::MeterPages(QTabWidget* tabs, Prompter& prompter, CLineRunner& runner)
    : tabs_(tabs), prompter_(prompter), runner_(runner) {}

MeterPages::~MeterPages() { DestroyPages(); }

void MeterPages::Rebuild(int meterKind) {
    tabs_->clear();
    DestroyPages();
    for (const PageDefinition* definition : PageDefinitionsOf(meterKind)) {
        auto* page = new CParameterPageView(*definition, tabs_, &prompter_, &runner_);
        pages_.push_back(page);
        tabs_->addTab(page, QString::fromUtf8(definition->tabTitle.data(),
                                              static_cast<qsizetype>(definition->tabTitle.size())));
    }
    tabs_->setCurrentIndex(0);
}

void MeterPages::DestroyPages() {
    for (CParameterPageView* page : pages_) delete page;
    pages_.clear();
}

void MeterPages::SetControlsEnabled(bool enabled) {
    for (CParameterPageView* page : pages_) page->SetControlsEnabled(enabled);
}

void MeterPages::ShowLiveValues(const LiveRecord& record, int paramEncoding) {
    for (CParameterPageView* page : pages_) page->ShowLiveValues(record, paramEncoding);
}

}  // namespace kelvo
