#pragma once
// Every user-visible text of the program, by number. Texts are UTF-8.

#include <string>

enum StringId : int {
    IDS_TITLE = 100,

    // General and port failures.
    IDS_UNKNOWN_EXCEPTION = 200,
    IDS_CLIPBOARD_FAILED = 201,
    IDS_PORT_NOT_AVAILABLE = 202,
    IDS_PORT_BUSY = 203,
    IDS_PORT_NOT_SET = 204,
    IDS_PORT_OPEN_ERROR = 205,  // "%lu" = system error code
    IDS_PORT_NO_PERMISSION = 206,

    // Device failures.
    IDS_BAD_CHUNK_SIZE = 220,
    IDS_STATE_CHANGE_FAILED = 221,
    IDS_MODE_CHANGE_FAILED = 222,
    IDS_SPEED_CHANGE_FAILED = 223,

    // Profile path failures.
    IDS_PROGRAM_DIR_FAILED = 240,
    IDS_INI_NAME_FAILED = 241,
    IDS_INI_BUFFER_FAILED = 242,
    IDS_SETTINGS_NOT_SAVED = 243,  // "%s" = settings file, "%s" = reason

    // Image interface.
    IDS_NO_IMAGE_SUPPORT = 260,
    IDS_UPDATE_FIRMWARE = 261,
    IDS_UPDATE_PROGRAM = 262,
    IDS_BAD_HEADER_LENGTH = 263,  // "%u" = header length
    IDS_BAD_IMAGE_SIZE = 264,     // "%lu" = image size, "%lu" = limit

    // Device search.
    IDS_COLUMN_PORT = 500,
    IDS_COLUMN_SPEED = 501,
    IDS_COLUMN_STATE = 502,
    IDS_SEARCHING = 503,
    IDS_NOT_FOUND = 504,
    IDS_SEARCH_STOPPED = 505,

    // Device types and models.
    IDS_TYPE_STATIONARY = 520,
    IDS_TYPE_HANDHELD = 521,
    IDS_TYPE_BUILTIN = 522,
    IDS_MODEL_UNKNOWN = 540,
    IDS_MODEL_MARLET = 541,
    IDS_MODEL_TOVALD_II = 542,
    IDS_MODEL_GRENDLE = 543,
    IDS_MODEL_TOVALD_HD = 544,
    IDS_MODEL_TOVALD_II_PLUS = 545,
    IDS_MODEL_GRENDLE_PLUS = 546,

    // Acquisition.
    IDS_PROGRESS = 600,  // "%3u" = percent, "%u" = bytes per second
    IDS_WAITING_TRIGGER = 601,
    IDS_ASK_ABORT_LEAVE = 602,
    IDS_ASK_RETRY_LEAVE = 603,  // "%s" = error text

    // Window and control captions.
    IDS_MODE_SNAPSHOT = 700,
    IDS_MODE_VIDEO = 701,
    IDS_MODE_SNAPSHOT_TRIGGER = 702,
    IDS_MODE_VIDEO_TRIGGER = 703,
    IDS_MODE_VIDEO_SNAPSHOT_TRIGGER = 704,
    IDS_BUTTON_START = 710,
    IDS_BUTTON_STOP = 711,
    IDS_BUTTON_COPY = 712,
    IDS_BUTTON_SETTINGS = 713,
    IDS_BUTTON_IMAGE_PARAMS = 714,
    IDS_DESC_MODE_LIST = 715,
    IDS_DESC_STATUS_LINE = 716,
    IDS_DESC_IMAGE_VIEW = 717,
    IDS_DESC_TOOLBAR = 718,
    IDS_LABEL_ACQ_MODE = 720,
    IDS_LABEL_FORMAT = 721,
    IDS_LABEL_WIDTH = 722,
    IDS_LABEL_HEIGHT = 723,
    IDS_LABEL_SUBSAMPLING = 724,
    IDS_LABEL_JPEG_QUALITY = 725,
    IDS_BUTTON_APPLY = 726,
    IDS_FORMAT_BMP = 727,
    IDS_FORMAT_JPEG = 728,
    IDS_PAGE_CONNECTION = 740,
    IDS_GROUP_PARAMETERS = 741,
    IDS_LABEL_PORT = 742,
    IDS_LABEL_SPEED = 743,
    IDS_LABEL_TIMEOUT = 744,
    IDS_BUTTON_CHECK_LINK = 745,
    IDS_BUTTON_SEARCH = 746,
    IDS_BUTTON_SET_SPEED = 747,
    IDS_LABEL_DEVICE = 748,
    IDS_BUTTON_DETAILS = 749,
    IDS_DEVICE_INFO_TITLE = 750,
    IDS_INFO_NOT_READ = 751,
    IDS_SEARCH_TITLE = 760,
    IDS_BUTTON_START_SEARCH = 761,
    IDS_BUTTON_ABORT = 762,
    IDS_DESC_SEARCH_LIST = 763,
    IDS_READING_DEVICE_INFO = 770,
    IDS_INFO_DEVICE_TYPE = 771,
    IDS_INFO_SERIAL = 772,
    IDS_INFO_DATE = 773,
    IDS_INFO_HW_VERSIONS = 774,
    IDS_INFO_ATMEGA = 775,
    IDS_INFO_BLACKFIN = 776,
    IDS_INFO_LOADER_VERSIONS = 777,
    IDS_INFO_FW_VERSIONS = 778,
    IDS_INFO_BLACKFIN_EXT = 779,

    // Saving images.
    IDS_BUTTON_SAVE = 800,
    IDS_TIP_SAVE = 801,
    IDS_FILTER_JPEG = 802,
    IDS_FILTER_PNG = 803,
    IDS_FILTER_BMP = 804,
    IDS_SAVED = 805,            // "%s" = file name
    IDS_SAVE_FAILED = 806,      // "%s" = file, "%s" = reason
    IDS_AUTOSAVE_FAILED = 807,  // "%s" = folder, "%s" = reason
    IDS_CHECK_SAVE_EVERY = 808,
    IDS_LABEL_SAVE_FOLDER = 809,
    IDS_BUTTON_BROWSE = 810,
    IDS_DESC_BROWSE = 811,
    IDS_NO_SAVE_FOLDER = 812,
    IDS_CONVERT_FAILED = 813,

    // The command line program: usage texts, its own messages and the transfer bar.
    IDS_CLI_USAGE = 820,
    IDS_CLI_USAGE_INFO = 821,
    IDS_CLI_USAGE_SEARCH = 822,
    IDS_CLI_USAGE_SNAPSHOT = 823,
    IDS_CLI_USAGE_VIDEO = 824,
    IDS_CLI_USAGE_SET_SPEED = 825,
    IDS_CLI_HELP_HINT = 830,  // "%s" = program or program and command
    IDS_CLI_NO_COMMAND = 831,
    IDS_CLI_UNKNOWN_COMMAND = 832,  // "%s" = command
    IDS_CLI_UNKNOWN_OPTION = 833,   // "%s" = option
    IDS_CLI_MISSING_VALUE = 834,    // "%s" = option
    IDS_CLI_BAD_VALUE = 835,        // "%s" = value, "%s" = option, "%s" = what it may be
    IDS_CLI_MISSING_OPTION = 836,   // "%s" = option
    IDS_CLI_NOT_SET = 837,          // "%s" = option, "%s" = settings file
    IDS_CLI_EXTRA_ARGUMENT = 838,   // "%s" = argument
    IDS_CLI_ONE_PORT = 839,
    IDS_CLI_SETTINGS_UNREADABLE = 840,  // "%s" = settings file
    IDS_CLI_WRITE_FAILED = 841,         // "%s" = file, "%s" = reason
    IDS_CLI_PROGRESS = 842,  // "%3u" = percent, "%u" = bytes, "%u" = total, "%u" = bytes per second
    IDS_CLI_STOPPING = 843,

    // Toolkit messages, in English.
    IDS_NO_ERROR_MESSAGE = 61704,
    IDS_PARSE_INT = 61712,
    IDS_PARSE_INT_RANGE = 61714,  // "%1", "%2" = bounds
    IDS_PARSE_BYTE = 61718,
    IDS_PARSE_UINT = 61719,
};

// The text of string `id`; an empty text for a number the table does not hold.
const char* LoadText(int id);

// printf-style formatting of a table text (the table's formats use %u, %lu, %s, %3u).
std::string FormatText(int id, ...);
