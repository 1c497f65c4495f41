#pragma once
// Resource ids shared by trevlin.rc and the code.
#define IDS_SAVER_NAME 1
#define IDI_TREVLIN 1
#define IDC_LINK_HAND 2
#define IDR_PREVIEW_JPEG 3
