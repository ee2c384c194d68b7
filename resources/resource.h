// Resource identifiers of TavixCapture.exe: dialog templates, images,
// strings and the dialog items the windows refer to.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAINWINDOW 102
#define IDS_ABOUTBOX_DIRECTSHOW 102
#define IDS_SELECT_PROCESSOR 103
#define IDR_MAINFRAME 128
#define IDB_BANNER 129
#define IDR_FRAME_IMAGE 130
#define IDD_SELECTPROCESSOR 131
#define IDD_HEADERPANEL 132
#define IDD_CONTROLPANEL 133
#define IDD_CAMERAPAGE 134

// Items of the control panel's fixed lists, in list order.
#define IDS_SAVE_TARGET_SNAPPED 200
#define IDS_SAVE_TARGET_ALL 201
#define IDS_FILE_FORMAT_BMP 210
#define IDS_FILE_FORMAT_JPEG 211
#define IDS_FILE_FORMAT_PNG 212
#define IDS_FILE_FORMAT_TIFF 213
#define IDS_FILE_FORMAT_AVI 214
#define IDS_FILE_FORMAT_WMV 215
#define IDS_FILE_FORMAT_MP4 216

// The resource type of the 10x10 image the preview starts from.
#define RT_TAVIX_DATA L"DATA"
// Items that lists of a dialog template receive before its initialisation.
#define RT_TAVIX_DLGINIT 240

// Main window (102)
#define IDC_BANNER 1000
#define IDC_PREVIEW_FRAME 1001
#define IDC_CAPTURE 1002
#define IDC_SIDEPANE_TOGGLE 1003
// About box (100)
#define IDC_VERSION 1004
// Processor selection (131)
#define IDC_PROCESSOR_LIST 1005
#define IDC_LEFT_OUT_LABEL 1100
#define IDC_LEFT_OUT_LIST 1101
// Header panel (132)
#define IDC_PAGE_CAPTURE 1006
#define IDC_PAGE_PROCESSOR 1007
#define IDC_PAGE_CAMERA 1038
// Control panel (133)
#define IDC_DEVICE_LABEL 1008
#define IDC_DEVICE 1009
#define IDC_FORMAT_LABEL 1010
#define IDC_FORMAT 1011
#define IDC_ZOOM_EDIT 1012
#define IDC_ZOOM_SPIN 1013
#define IDC_ZOOM_SLIDER 1014
#define IDC_ZOOM_ACTUAL 1015
#define IDC_ZOOM_FIT 1016
#define IDC_MARKER 1017
#define IDC_MARKER_X_LABEL 1018
#define IDC_MARKER_X 1019
#define IDC_MARKER_X_SPIN 1020
#define IDC_MARKER_Y_LABEL 1021
#define IDC_MARKER_Y 1022
#define IDC_MARKER_Y_SPIN 1023
#define IDC_MARKER_COLOR_LABEL 1024
#define IDC_MARKER_COLOR 1025
#define IDC_PROFILE 1026
#define IDC_SAVE_TARGET 1027
#define IDC_FILE_FORMAT_LABEL 1028
#define IDC_FILE_FORMAT 1029
#define IDC_BITRATE_LABEL 1030
#define IDC_BITRATE 1031
#define IDC_BITRATE_SPIN 1032
#define IDC_BITRATE_UNIT 1033
#define IDC_BITRATE_SLIDER 1034
#define IDC_SNAP 1035
#define IDC_RECORD 1036
#define IDC_STATUSBAR_VISIBLE 1037
// Camera page (134)
#define IDC_CAMERA_DRIVER_PAGES 1201
#define IDC_CAMERA_DEFAULTS 1202
#define IDC_CAMERA_NO_SATURATION 1203
#define IDC_CAMERA_STATUS 1204
#define IDC_CAMERA_NONE 1205
// The row of each camera property, made while the page runs: the first id
// plus ten times the property's number (Common::CameraPropertyId), plus the
// part of the row.
#define IDC_CAMERA_ROW_FIRST 1300
#define IDC_CAMERA_ROW_NAME 0
#define IDC_CAMERA_ROW_RANGE 1
#define IDC_CAMERA_ROW_SLIDER 2
#define IDC_CAMERA_ROW_EDIT 3
#define IDC_CAMERA_ROW_AUTOMATIC 4

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
