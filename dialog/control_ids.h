/* Resource and control ids of the dialogs. Included by C++ and by the
   resource script, so it holds nothing but #defines. */
#ifndef OVIK_DIALOG_CONTROL_IDS_H_
#define OVIK_DIALOG_CONTROL_IDS_H_

#define IDD_MAIN 101
#define IDI_OVIK 102
#define IDD_ABOUT 104

#define IDS_REG_KEY 1
#define IDS_REG_OWNER 2
#define IDS_REG_ORGANIZATION 3

#define IDC_OK 1
#define IDC_DRIVE_LIST 1001
#define IDC_DRIVE_TYPE 1002
#define IDC_FREE_SPACE 1003
#define IDC_TOTAL_SPACE 1004
#define IDC_FIND 1005
#define IDC_RANKING_GROUP 1006
#define IDC_NAME_ROW1 1007
#define IDC_NAME_ROW2 1008
#define IDC_NAME_ROW3 1009
#define IDC_NAME_ROW4 1010
#define IDC_NAME_ROW5 1011
#define IDC_USAGE_ROW1 1012
#define IDC_USAGE_ROW2 1013
#define IDC_USAGE_ROW3 1014
#define IDC_USAGE_ROW4 1015
#define IDC_USAGE_ROW5 1016
#define IDC_PAGE_SCROLL 1017
#define IDC_ABOUT_ICON 1018
#define IDC_ABOUT_USER 1019
#define IDC_ABOUT_COMPANY 1020
#define IDC_VOLUME_LABEL 1021
#define IDC_REPORT_OUT 1022
#define IDC_ABOUT 1023
#define IDC_FREE_AREA_GROUP 1024

#endif /* OVIK_DIALOG_CONTROL_IDS_H_ */
