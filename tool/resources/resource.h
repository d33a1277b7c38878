// Resource numbers, shared by both resource sets.
#pragma once

#define IDD_MAIN_DIALOG 102
#define IDD_CHANGE_PIN 130
#define IDD_CERT_PASSWORD 137
#define IDD_DAC_SERIAL 138
#define IDD_USER_PIN 140
#define IDD_DEFAULT_PIN 141

#define IDR_TRAY_MENU 136
#define IDI_KEYSTEAD 128

#define ID_TRAY_SHOW 32771
#define ID_TRAY_REFRESH 32772
#define ID_TRAY_QUIT 32773

// Main dialog
#define IDC_TOKEN_TREE 1003
#define IDC_CHANGE_PIN 1005
#define IDC_DELETE_CONTAINER 1009
#define IDC_VIEW_CERT 1010
#define IDC_REFRESH 1012
#define IDC_IMPORT_CERT 1013
#define IDC_REGISTER_CERT 1014
#define IDC_UNREGISTER_CERT 1015
#define IDC_DAC_BINDING 1016
#define IDC_SYSTEM_INFO 1021

// PIN dialogs (130, 141) and the others
#define IDC_OLD_PIN 1000
#define IDC_NEW_PIN 1001
#define IDC_CONFIRM_PIN 1002
#define IDC_CERT_PASSWORD 1007
#define IDC_CERT_PIN_LABEL 1019
#define IDC_USER_PIN 1020

// Card serial dialog 138: first entry 1018, 1021-1023; second entry 1019, 1024-1026
#define IDC_SERIAL1_GROUP1 1018
#define IDC_SERIAL1_GROUP2 1021
#define IDC_SERIAL1_GROUP3 1022
#define IDC_SERIAL1_GROUP4 1023
#define IDC_SERIAL2_GROUP1 1019
#define IDC_SERIAL2_GROUP2 1024
#define IDC_SERIAL2_GROUP3 1025
#define IDC_SERIAL2_GROUP4 1026

// Texts of the string table that the PIN commands show
#define IDS_NO_DEVICE 2
#define IDS_PROMPT 4
#define IDS_CLOSE_FAILED 8
#define IDS_OPEN_FAILED 9
#define IDS_WRONG_PIN 10
#define IDS_PIN_LOCKED 11
#define IDS_PIN_CHANGED 77

// Texts of the card binding
#define IDS_SUCCESSFUL 5
#define IDS_FAILED 6
#define IDS_EMPTY_PIN 12
#define IDS_SERIAL_MISMATCH 60
#define IDS_BINDING_CANCELED 61
#define IDS_ALREADY_BOUND 62
#define IDS_BOUND 63
#define IDS_BINDING_FAILED 64
#define IDS_SERIAL_INCOMPLETE 79
#define IDS_SERIAL_ILLEGAL 80

// Window titles looked up by other threads and by the removal notice
#define IDS_KEYSTEAD_TITLE 76    // the main window's
#define IDS_DEFAULT_PIN_TITLE 92 // the default-PIN prompt's (dialog 141)

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
