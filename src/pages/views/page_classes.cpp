#include "pages/views/page_classes.h"

#include "pages/normal_cfg_page.h"

namespace kelvo {

CNormalCfgDlg::CNormalCfgDlg(QWidget* parent, Prompter* prompter)
    : CParameterPageView(NormalCfgDefinition(), parent, prompter) {
    AttachPage(std::make_unique<CNormalCfgPage>(Controls(), Messages()));
}

CStubPageView::CStubPageView(QWidget* parent, int dialogId) : CPageView(parent) {
    setObjectName(QString::number(dialogId));
}

CW58NormalDlg::CW58NormalDlg(QWidget* parent, Prompter*) : CStubPageView(parent, 146) {}
CW58FlowCfgDlg::CW58FlowCfgDlg(QWidget* parent, Prompter*) : CStubPageView(parent, 145) {}
CW58PulseCfg::CW58PulseCfg(QWidget* parent, Prompter*) : CStubPageView(parent, 147) {}
CW58AlmCfgDlg::CW58AlmCfgDlg(QWidget* parent, Prompter*) : CStubPageView(parent, 148) {}
CW58SnsrCfgDlg::CW58SnsrCfgDlg(QWidget* parent, Prompter*) : CStubPageView(parent, 149) {}
CW58HeatCfgDlg::CW58HeatCfgDlg(QWidget* parent, Prompter*) : CStubPageView(parent, 150) {}

}  // namespace kelvo
