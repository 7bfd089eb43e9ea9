#pragma once
// The parameter pages of the current meter kind inside tab control 1106: the generic
// page alone, or the six W58 pages. Only the pages of the current kind exist.

#include <array>
#include <vector>

#include "monitor/live_record.h"

class QTabWidget;

namespace kelvo {

class CPageView;
class Prompter;

class MeterPages {
public:
    // The pages report through `prompter`.
    MeterPages(QTabWidget* tabs, Prompter& prompter);
    ~MeterPages();  // destroys the pages in their fixed order
    MeterPages(const MeterPages&) = delete;
    MeterPages& operator=(const MeterPages&) = delete;

    // Removes every tab, destroys the existing pages (generic, W58 common, flow, pulse,
    // alarm, sensor, heat) and builds the pages of `meterKind` with page 0 shown.
    void Rebuild(int meterKind);

    // On the pages of the current kind that exist.
    void SetControlsEnabled(bool enabled);
    // W58: the six pages in the order common, flow, pulse, alarm, sensor, heat;
    // otherwise the generic page.
    void ShowLiveValues(const LiveRecord& record, int meterKind, int paramEncoding);

    // The pages in tab order.
    const std::vector<CPageView*>& TabPages() const { return tabPages_; }

private:
    // Slots of the seven pages; also the order in which they are destroyed.
    enum Slot { kGeneric, kW58Common, kW58Flow, kW58Pulse, kW58Alarm, kW58Sensor, kW58Heat, kSlotCount };

    void DestroyPages();
    void BuildW58Pages();
    void BuildGenericPage();

    QTabWidget* tabs_;
    Prompter& prompter_;
    std::array<CPageView*, kSlotCount> pages_{};
    std::vector<CPageView*> tabPages_;
};

}  // namespace kelvo
