#include "ui/main/meter_pages.h"

#include <QTabWidget>

#include "pages/views/page_classes.h"
#include "settings/settings.h"

namespace kelvo {

namespace {

template <class Page>
CPageView* MakePage(QWidget* parent, Prompter& prompter) {
    return new Page(parent, &prompter);
}

struct W58Tab {
    int slot;
    const char* title;
    CPageView* (*make)(QWidget*, Prompter&);
};

}  // namespace

MeterPages::MeterPages(QTabWidget* tabs, Prompter& prompter) : tabs_(tabs), prompter_(prompter) {}

MeterPages::~MeterPages() { DestroyPages(); }

void MeterPages::Rebuild(int meterKind) {
    tabs_->clear();
    DestroyPages();
    if (meterKind == kW58Meter) {
        BuildW58Pages();
    } else {
        BuildGenericPage();
    }
    tabs_->setCurrentIndex(0);
}

void MeterPages::DestroyPages() {
    tabPages_.clear();
    for (CPageView*& page : pages_) {
        delete page;
        page = nullptr;
    }
}

void MeterPages::BuildW58Pages() {
    const W58Tab tabs[] = {
        {kW58Common, "常用参数和功能", &MakePage<CW58NormalDlg>},
        {kW58Flow, "流量组态", &MakePage<CW58FlowCfgDlg>},
        {kW58Pulse, "脉冲频率组态", &MakePage<CW58PulseCfg>},
        {kW58Alarm, "报警组态", &MakePage<CW58AlmCfgDlg>},
        {kW58Sensor, "传感器组态", &MakePage<CW58SnsrCfgDlg>},
        {kW58Heat, "热量组态", &MakePage<CW58HeatCfgDlg>},
    };
    for (const W58Tab& tab : tabs) {
        CPageView* page = tab.make(tabs_, prompter_);
        pages_[static_cast<std::size_t>(tab.slot)] = page;
        tabPages_.push_back(page);
        tabs_->addTab(page, QString::fromUtf8(tab.title));
    }
}

void MeterPages::BuildGenericPage() {
    CPageView* page = MakePage<CNormalCfgDlg>(tabs_, prompter_);
    pages_[kGeneric] = page;
    tabPages_.push_back(page);
    tabs_->addTab(page, QStringLiteral("组态"));
}

void MeterPages::SetControlsEnabled(bool enabled) {
    for (CPageView* page : tabPages_) page->SetControlsEnabled(enabled);
}

void MeterPages::ShowLiveValues(const LiveRecord& record, int meterKind, int paramEncoding) {
    if (meterKind == kW58Meter) {
        for (std::size_t slot = kW58Common; slot <= kW58Heat; ++slot) {
            if (pages_[slot] != nullptr) pages_[slot]->ShowLiveValues(record, paramEncoding);
        }
    } else if (pages_[kGeneric] != nullptr) {
        pages_[kGeneric]->ShowLiveValues(record, paramEncoding);
    }
}

}  // namespace kelvo
