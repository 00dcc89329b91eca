// The dialog's command table, in the order the framework scans it. Each entry enters together
// with its handler.
#include "app/quorvane_dlg.h"

BEGIN_MESSAGE_MAP(CQuorvaneDlg, CDialog)
  ON_BN_CLICKED(IDC_BTN_EXIT, OnBnClickedExit)
  ON_BN_CLICKED(IDC_BTN_OPEN, OnBnClickedBtnOpen)
  ON_BN_CLICKED(IDC_BTN_SEND, OnBnClickedBtnSend)
  ON_BN_CLICKED(IDC_BTN_CLOSE, OnBnClickedBtnClose)
  ON_BN_CLICKED(IDC_RADIO_COM2, OnBnClickedRadioCom2)
  ON_BN_CLICKED(IDC_RADIO_COM3, OnBnClickedRadioCom3)
  ON_BN_CLICKED(IDC_RADIO_COM4, OnBnClickedRadioCom4)
  ON_BN_CLICKED(IDC_RADIO_COM5, OnBnClickedRadioCom5)
  ON_BN_CLICKED(IDC_RADIO_COM6, OnBnClickedRadioCom6)
  ON_MESSAGE(WM_COMM_READ, OnCommRead)
  ON_BN_CLICKED(IDC_BTN_VOLUME, OnBnClickedBtnVolume)
  ON_BN_CLICKED(IDC_BTN_MIC_GAIN, OnBnClickedBtnMicGain)
  ON_BN_CLICKED(IDC_RADIO_COM1, OnBnClickedRadioCom1)
  ON_BN_CLICKED(IDC_BTN_NOTHING_1036, OnBnClickedNothing)
  ON_WM_DESTROY()
  ON_BN_CLICKED(IDC_RADIO_COM_NONE, OnBnClickedRadioComNone)
  ON_BN_CLICKED(IDC_BTN_NOTHING_1042, OnBnClickedNothing)
  ON_BN_CLICKED(IDC_BTN_NOTHING_1057, OnBnClickedNothing)
END_MESSAGE_MAP()
