// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameter pages of the current meter kind inside tab control 1106: the generic
// page alone, or the six W58 pages. Only the pages of the current kind exist.

#include <vector>

#include "meter/live_record.h"

class QTabWidget;

namespace kelvo {

class CLineRunner;
class CParameterPageView;
class Prompter;

class MeterPages {
public:
    // The pages ask and report through `prompter`; their transactions run by `runner`.
    MeterPages(QTabWidget* tabs, Prompter& prompter, CLineRunner& runner);
    ~MeterPages();  // destroys the pages in tab order
    MeterPages(const MeterPages&) = delete;
    MeterPages& operator=(const MeterPages&) = delete;

    // Removes every tab, destroys the existing pages and builds the pages of
    // `meterKind` with page 0 shown.
    void Rebuild(int meterKind);

    void SetControlsEnabled(bool enabled);
    // Every page of the current kind, in tab order, takes its values from the record.
    void ShowLiveValues(const LiveRecord& record, int paramEncoding);

    // The pages in tab order.
    const std::vector<CParameterPageView*>& TabPages() const { return pages_; }

private:
    void DestroyPages();

    QTabWidget* tabs_;
    Prompter& prompter_;
    CLineRunner& runner_;
    std::vector<CParameterPageView*> pages_;
};

}  // namespace kelvo
