#pragma once
// The seven parameter pages: the generic meter's page and the six W58 pages.

#include "pages/views/parameter_page_view.h"

namespace kelvo {

class Prompter;

// Generic meter page, dialog 143.
class CNormalCfgDlg : public CParameterPageView {
    Q_OBJECT
public:
    explicit CNormalCfgDlg(QWidget* parent = nullptr, Prompter* prompter = nullptr);
};

// A W58 page whose rows are not built yet: it keeps what the main window hands it.
class CStubPageView : public CPageView {
    Q_OBJECT
public:
    CStubPageView(QWidget* parent, int dialogId);
    const LiveRecord& LastRecord() const { return lastRecord_; }
    int LastEncoding() const { return lastEncoding_; }

protected:
    void DoSetControlsEnabled(bool /*enabled*/) override {}
    void DoShowLiveValues(const LiveRecord& record, int paramEncoding) override {
        lastRecord_ = record;
        lastEncoding_ = paramEncoding;
    }

private:
    LiveRecord lastRecord_;
    int lastEncoding_ = 1;
};

// W58 common parameters and functions, dialog 146.
class CW58NormalDlg : public CStubPageView {
    Q_OBJECT
public:
    explicit CW58NormalDlg(QWidget* parent = nullptr, Prompter* prompter = nullptr);
};

// W58 flow configuration, dialog 145.
class CW58FlowCfgDlg : public CStubPageView {
    Q_OBJECT
public:
    explicit CW58FlowCfgDlg(QWidget* parent = nullptr, Prompter* prompter = nullptr);
};

// W58 pulse and frequency output, dialog 147.
class CW58PulseCfg : public CStubPageView {
    Q_OBJECT
public:
    explicit CW58PulseCfg(QWidget* parent = nullptr, Prompter* prompter = nullptr);
};

// W58 alarms, dialog 148.
class CW58AlmCfgDlg : public CStubPageView {
    Q_OBJECT
public:
    explicit CW58AlmCfgDlg(QWidget* parent = nullptr, Prompter* prompter = nullptr);
};

// W58 sensor, dialog 149.
class CW58SnsrCfgDlg : public CStubPageView {
    Q_OBJECT
public:
    explicit CW58SnsrCfgDlg(QWidget* parent = nullptr, Prompter* prompter = nullptr);
};

// W58 heat, dialog 150.
class CW58HeatCfgDlg : public CStubPageView {
    Q_OBJECT
public:
    explicit CW58HeatCfgDlg(QWidget* parent = nullptr, Prompter* prompter = nullptr);
};


}  // namespace kelvo
