// Resource ids of the virtual camera's property page (VirtualCamera.rc).
#pragma once

#define IDD_CAMERA_PROPERTY_PAGE 200
#define IDC_PAGE_EXPOSURE 1001
#define IDC_PAGE_EXPOSURE_SLIDER 1002
#define IDC_PAGE_GAIN 1003
#define IDC_PAGE_GAIN_SLIDER 1004
