#pragma once
// The parameter pages as the main window sees them: a widget in its tab control
// that can be locked while the live connection polls and that follows the live values.

#include <QWidget>

#include "monitor/live_record.h"

namespace kelvo {

class CPageView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Enables or disables every value control and every button of the page.
    void SetControlsEnabled(bool enabled) {
        controlsEnabled_ = enabled;
        DoSetControlsEnabled(enabled);
    }
    // Takes the page's values from a private copy of the live record and shows them.
    // paramEncoding is the main window's ParamEncoding (only the generic page uses it).
    void ShowLiveValues(const LiveRecord& record, int paramEncoding) {
        ++liveUpdates_;
        DoShowLiveValues(record, paramEncoding);
    }

    bool ControlsEnabled() const { return controlsEnabled_; }
    int LiveUpdates() const { return liveUpdates_; }

protected:
    virtual void DoSetControlsEnabled(bool enabled) = 0;
    virtual void DoShowLiveValues(const LiveRecord& record, int paramEncoding) = 0;

private:
    bool controlsEnabled_ = true;
    int liveUpdates_ = 0;
};

}  // namespace kelvo
