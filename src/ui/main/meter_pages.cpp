#include "ui/main/meter_pages.h"

#include <QTabWidget>

#include "pages/page_catalog.h"
#include "ui/pages/parameter_page_view.h"

namespace kelvo {

MeterPages::MeterPages(QTabWidget* tabs, Prompter& prompter, TrafficLog* traffic)
    : tabs_(tabs), prompter_(prompter), traffic_(traffic) {}

MeterPages::~MeterPages() { DestroyPages(); }

void MeterPages::Rebuild(int meterKind) {
    tabs_->clear();
    DestroyPages();
    for (const PageDefinition* definition : PageDefinitionsOf(meterKind)) {
        auto* page = new CParameterPageView(*definition, tabs_, &prompter_);
        page->Page().AttachTrafficLog(traffic_);
        page->Page().SetLineQuietAt(lineQuietAt_);
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

void MeterPages::SetLineQuietAt(std::chrono::steady_clock::time_point at) {
    lineQuietAt_ = at;
    for (CParameterPageView* page : pages_) page->Page().SetLineQuietAt(at);
}

void MeterPages::ShowLiveValues(const LiveRecord& record, int paramEncoding) {
    for (CParameterPageView* page : pages_) page->ShowLiveValues(record, paramEncoding);
}

}  // namespace kelvo
