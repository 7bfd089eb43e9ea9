#pragma once
// The parameter pages of the current meter kind inside tab control 1106: the generic
// page alone, or the six W58 pages. Only the pages of the current kind exist.

#include <chrono>
#include <vector>

#include "monitor/live_record.h"

class QTabWidget;

namespace kelvo {

class CParameterPageView;
class Prompter;
class TrafficLog;

class MeterPages {
public:
    // The pages report through `prompter`; their links feed `traffic` (may be nullptr).
    MeterPages(QTabWidget* tabs, Prompter& prompter, TrafficLog* traffic = nullptr);
    ~MeterPages();  // destroys the pages in tab order
    MeterPages(const MeterPages&) = delete;
    MeterPages& operator=(const MeterPages&) = delete;

    // Removes every tab, destroys the existing pages and builds the pages of
    // `meterKind` with page 0 shown.
    void Rebuild(int meterKind);

    void SetControlsEnabled(bool enabled);
    // Every page, also one built later, sends nothing before `at` (see ParameterPage).
    void SetLineQuietAt(std::chrono::steady_clock::time_point at);
    // Every page of the current kind, in tab order, takes its values from the record.
    void ShowLiveValues(const LiveRecord& record, int paramEncoding);

    // The pages in tab order.
    const std::vector<CParameterPageView*>& TabPages() const { return pages_; }

private:
    void DestroyPages();

    QTabWidget* tabs_;
    Prompter& prompter_;
    TrafficLog* traffic_;
    std::chrono::steady_clock::time_point lineQuietAt_{};
    std::vector<CParameterPageView*> pages_;
};

}  // namespace kelvo
