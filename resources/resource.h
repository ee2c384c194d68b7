// Resource identifiers of TavixCapture.exe.
#pragma once

#define IDS_ABOUTBOX 101
#define IDS_ABOUTBOX_DIRECTSHOW 102
#define IDS_SELECT_PROCESSOR 103
