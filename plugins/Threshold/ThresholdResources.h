// Resource identifiers of TavixThreshold.dll.
#pragma once

#define IDD_THRESHOLD_PAGE 300
#define IDC_THRESHOLD_SLIDER 1300
#define IDC_THRESHOLD_VALUE 1301
