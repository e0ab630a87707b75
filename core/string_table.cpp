#include "core/string_table.h"

#include <cstdarg>
#include <cstdio>
#include <unordered_map>

namespace {

const std::unordered_map<int, const char*>& Table() {
    static const std::unordered_map<int, const char*> table = {
        {IDS_TITLE, "Получение изображений из видеосканеров"},

        {IDS_UNKNOWN_EXCEPTION, "Неизвестное исключение"},
        {IDS_CLIPBOARD_FAILED, "Не удалось открыть буфер обмена"},
        {IDS_PORT_NOT_AVAILABLE, "COM-порт не доступен"},
        {IDS_PORT_BUSY, "COM-порт занят другим приложением"},
        {IDS_PORT_NOT_SET, "COM-порт не задан"},
        {IDS_PORT_OPEN_ERROR, "Ошибка открытия COM-порта (%lu)"},
        {IDS_PORT_NO_PERMISSION,
         "Нет прав на доступ к COM-порту. Пользователь должен входить в группу, которой "
         "разрешён доступ к последовательным портам (обычно dialout)"},

        {IDS_BAD_CHUNK_SIZE, "Недопустимый размер блока передачи (0)"},
        {IDS_STATE_CHANGE_FAILED, "Ошибка смены состояния"},
        {IDS_MODE_CHANGE_FAILED, "Ошибка смены режима"},
        {IDS_SPEED_CHANGE_FAILED, "Ошибка смены скорости"},

        {IDS_PROGRAM_DIR_FAILED, "Ошибка определения каталога программы"},
        {IDS_INI_NAME_FAILED, "Ошибка генерации имени ini-файла"},
        {IDS_INI_BUFFER_FAILED, "Ошибка выделения буфера под имя ini-файла"},
        {IDS_SETTINGS_NOT_SAVED,
         "Не удалось сохранить настройки в файл\r\n\r\n    %s\r\n\r\nПричина: %s"},

        {IDS_NO_IMAGE_SUPPORT, "Прошивка не поддерживает получение изображений"},
        {IDS_UPDATE_FIRMWARE, "Для получения изображения требуется обновить прошивку"},
        {IDS_UPDATE_PROGRAM, "Для получения изображения требуется обновить программу"},
        {IDS_BAD_HEADER_LENGTH,
         "Устройство сообщило недопустимую длину заголовка области изображения (%u)"},
        {IDS_BAD_IMAGE_SIZE,
         "Устройство сообщило недопустимый размер изображения (%lu байт, допустимо не более %lu)"},

        {IDS_COLUMN_PORT, "Порт"},
        {IDS_COLUMN_SPEED, "Скорость"},
        {IDS_COLUMN_STATE, "Состояние"},
        {IDS_SEARCHING, "Идёт поиск..."},
        {IDS_NOT_FOUND, "Не обнаружено"},
        {IDS_SEARCH_STOPPED, "Поиск остановлен"},

        {IDS_TYPE_STATIONARY, "Стационарный сканер"},
        {IDS_TYPE_HANDHELD, "Ручной сканер"},
        {IDS_TYPE_BUILTIN, "Встраиваемый сканер"},
        {IDS_MODEL_UNKNOWN, "Неизвестная модель"},
        {IDS_MODEL_MARLET, "Marlet"},
        {IDS_MODEL_TOVALD_II, "Tovald II"},
        {IDS_MODEL_GRENDLE, "Grendle"},
        {IDS_MODEL_TOVALD_HD, "Tovald HD"},
        {IDS_MODEL_TOVALD_II_PLUS, "Tovald II+"},
        {IDS_MODEL_GRENDLE_PLUS, "Grendle+"},

        // The "c" of "cек." is the Latin letter, as the program has always shown it.
        {IDS_PROGRESS, "Выполнено: %3u%% (%u байт/cек.)"},
        {IDS_WAITING_TRIGGER, "Ожидание нажатия на курок..."},
        {IDS_ASK_ABORT_LEAVE,
         "Операция вывода устройства из состояния загрузки изображения не завершена.\r\n\r\n"
         "Прервать операцию?"},
        {IDS_ASK_RETRY_LEAVE,
         "Операция вывода устройства из состояния загрузки изображения не завершена из-за "
         "ошибки:\r\n\r\n    %s\r\n\r\nПовторить операцию?"},

        {IDS_MODE_SNAPSHOT, "Снимок"},
        {IDS_MODE_VIDEO, "Видео"},
        {IDS_MODE_SNAPSHOT_TRIGGER, "Снимок (курок)"},
        {IDS_MODE_VIDEO_TRIGGER, "Видео (курок)"},
        {IDS_MODE_VIDEO_SNAPSHOT_TRIGGER, "Видео+Снимок (курок)"},
        {IDS_BUTTON_START, "Старт"},
        {IDS_BUTTON_STOP, "Стоп"},
        {IDS_BUTTON_COPY, "Копировать"},
        {IDS_BUTTON_SETTINGS, "Настройки..."},
        {IDS_BUTTON_IMAGE_PARAMS, "Параметры изображения..."},
        {IDS_DESC_MODE_LIST, "Режим получения"},
        {IDS_DESC_STATUS_LINE, "Строка состояния"},
        {IDS_DESC_IMAGE_VIEW, "Изображение"},
        {IDS_DESC_TOOLBAR, "Панель инструментов"},
        {IDS_LABEL_ACQ_MODE, "Режим получения:"},
        {IDS_LABEL_FORMAT, "Формат:"},
        {IDS_LABEL_WIDTH, "Ширина:"},
        {IDS_LABEL_HEIGHT, "Высота:"},
        {IDS_LABEL_SUBSAMPLING, "Шаг прореживания:"},
        {IDS_LABEL_JPEG_QUALITY, "Качество JPEG (%):"},
        {IDS_BUTTON_APPLY, "Применить"},
        {IDS_FORMAT_BMP, "BMP"},
        {IDS_FORMAT_JPEG, "JPEG"},
        {IDS_PAGE_CONNECTION, "Связь"},
        {IDS_GROUP_PARAMETERS, "Параметры"},
        {IDS_LABEL_PORT, "Порт:"},
        {IDS_LABEL_SPEED, "Скорость:"},
        {IDS_LABEL_TIMEOUT, "Таймаут:"},
        {IDS_BUTTON_CHECK_LINK, "Проверка связи"},
        {IDS_BUTTON_SEARCH, "Поиск оборудования..."},
        {IDS_BUTTON_SET_SPEED, "Установить скорость"},
        {IDS_LABEL_DEVICE, "Устройство:"},
        {IDS_BUTTON_DETAILS, "Подробнее..."},
        {IDS_DEVICE_INFO_TITLE, "Информация об устройстве"},
        {IDS_INFO_NOT_READ, "?"},
        {IDS_SEARCH_TITLE, "Поиск оборудования..."},
        {IDS_BUTTON_START_SEARCH, "Начать поиск"},
        {IDS_BUTTON_ABORT, "Прервать"},
        {IDS_DESC_SEARCH_LIST, "Последовательные порты и результаты поиска на них"},
        {IDS_READING_DEVICE_INFO, "Получение информации об устройстве..."},
        {IDS_INFO_DEVICE_TYPE, "Тип устройства\t\t\t: "},
        {IDS_INFO_SERIAL, "Заводской номер\t\t\t: "},
        {IDS_INFO_DATE, "Дата производства (дд.мм.гггг)\t: "},
        {IDS_INFO_HW_VERSIONS, "Версии \"железа\"\r\n"},
        {IDS_INFO_ATMEGA, "\tATmega\t\t\t: "},
        {IDS_INFO_BLACKFIN, "\tBlackfin\t\t\t: "},
        {IDS_INFO_LOADER_VERSIONS, "Версии загрузчиков\r\n"},
        {IDS_INFO_FW_VERSIONS, "Версии рабочих программ\r\n"},
        {IDS_INFO_BLACKFIN_EXT, "\tBlackfin (расш.)\t\t: "},
        {IDS_BUTTON_SAVE, "Сохранить изображение"},
        {IDS_TIP_SAVE, "Сохранить изображение (Ctrl+S)"},
        {IDS_FILTER_JPEG, "Изображение JPEG (*.jpg *.jpeg)"},
        {IDS_FILTER_PNG, "Изображение PNG (*.png)"},
        {IDS_FILTER_BMP, "Изображение BMP (*.bmp)"},
        {IDS_SAVED, "Сохранено: %s"},
        {IDS_SAVE_FAILED,
         "Не удалось сохранить изображение в файл\r\n\r\n    %s\r\n\r\nПричина: %s"},
        {IDS_AUTOSAVE_FAILED,
         "Не удалось сохранить изображение в папку\r\n\r\n    %s\r\n\r\nПричина: %s\r\n\r\n"
         "Автоматическое сохранение приостановлено. Получение изображений продолжается. Чтобы "
         "возобновить сохранение, нажмите \"Применить\" в параметрах изображения."},
        {IDS_CHECK_SAVE_EVERY, "Сохранять все изображения"},
        {IDS_LABEL_SAVE_FOLDER, "Папка:"},
        {IDS_BUTTON_BROWSE, "..."},
        {IDS_DESC_BROWSE, "Выбрать папку"},
        {IDS_NO_SAVE_FOLDER, "Укажите папку, в которую сохранять изображения."},
        {IDS_CONVERT_FAILED, "не удалось преобразовать изображение в выбранный формат"},

        {IDS_CLI_USAGE,
         "Использование: veltor-cli [ПАРАМЕТРЫ] КОМАНДА [ПАРАМЕТРЫ КОМАНДЫ]\n"
         "Работа со сканером без окна: из сценариев, на линиях проверки, по ssh.\n"
         "\n"
         "Команды:\n"
         "  info [--json]              сведения об устройстве\n"
         "  search [--json]            поиск устройств на портах при всех скоростях\n"
         "  snapshot -o ФАЙЛ ...       один снимок\n"
         "  video -n N --dir КАТАЛОГ   N кадров видео\n"
         "  set-speed ИНДЕКС           смена скорости устройства\n"
         "\n"
         "Параметры:\n"
         "  --port ПУТЬ       порт устройства (у search можно несколько раз)\n"
         "  --speed ИНДЕКС    скорость порта: 0..6 = 2400, 4800, 9600, 19200, 38400, 57600,\n"
         "                    115200 бит/с\n"
         "  --timeout МС      таймаут операций с портом, 100..300000 мс\n"
         "  --settings ФАЙЛ   другой файл настроек вместо файла программы veltor\n"
         "  --quiet           без индикатора хода передачи\n"
         "  -h, --help        эта справка; veltor-cli КОМАНДА --help - справка по команде\n"
         "  --version         версия программы\n"
         "\n"
         "Порт, скорость и таймаут, не заданные параметрами, берутся из раздела [Connect]\n"
         "файла настроек (ключи PortName, BaudRate, Timeout).\n"
         "\n"
         "Коды завершения: 0 - выполнено; 1 - ошибка устройства или связи; 2 - ошибка в\n"
         "командной строке; 3 - ничего не найдено (search); 130 - прервано (Ctrl-C, SIGTERM).\n"},
        {IDS_CLI_USAGE_INFO,
         "Использование: veltor-cli [ПАРАМЕТРЫ] info [--json]\n"
         "Читает сведения об устройстве и выводит их тринадцатью строками, как окно\n"
         "\"Информация об устройстве\".\n"
         "\n"
         "  --json   один объект JSON с теми же полями: числа числами, даты в виде\n"
         "           ГГГГ-ММ-ДД, непрочитанные значения - null\n"},
        {IDS_CLI_USAGE_SEARCH,
         "Использование: veltor-cli search [--json] [--port ПУТЬ]...\n"
         "Ищет устройство на всех последовательных портах системы (или на портах, заданных\n"
         "параметрами --port) при всех скоростях; порты проверяются одновременно.\n"
         "Выводит строку на порт: ПУТЬ<TAB>СКОРОСТЬ, если устройство найдено,\n"
         "ПУТЬ<TAB>- если нет, ПУТЬ<TAB>busy если порт занят другой программой.\n"
         "\n"
         "  --json   массив объектов JSON, по одному на порт\n"
         "\n"
         "Код завершения 3, если устройство не найдено ни на одном порту.\n"},
        {IDS_CLI_USAGE_SNAPSHOT,
         "Использование: veltor-cli [ПАРАМЕТРЫ] snapshot -o ФАЙЛ [ПАРАМЕТРЫ ИЗОБРАЖЕНИЯ]\n"
         "Получает один снимок и записывает его байты в ФАЙЛ без изменений\n"
         "(- = стандартный вывод).\n"
         "\n"
         "  -o, --output ФАЙЛ         куда записать снимок\n"
         "  --format bmp|jpeg         формат изображения\n"
         "  --width W, --height H     размер, 1..32767 или -1 (выбирает устройство)\n"
         "  --subsampling S           шаг прореживания, 1..255\n"
         "  --quality Q               качество JPEG, 1..100\n"
         "  --on-trigger              снимок после нажатия на курок\n"
         "\n"
         "Незаданные параметры изображения берутся из параметров снимка в файле настроек.\n"},
        {IDS_CLI_USAGE_VIDEO,
         "Использование: veltor-cli [ПАРАМЕТРЫ] video -n N --dir КАТАЛОГ [ПАРАМЕТРЫ ИЗОБРАЖЕНИЯ]\n"
         "Получает N кадров видео (0 - до остановки или нажатия на курок) и записывает их в\n"
         "КАТАЛОГ как frame-000001.jpg, frame-000002.jpg... (.bmp для BMP), выводя имя каждого\n"
         "записанного файла.\n"
         "\n"
         "  -n, --frames N            число кадров, 0 - без ограничения\n"
         "  --dir КАТАЛОГ             куда записывать кадры (создаётся при необходимости)\n"
         "  --format bmp|jpeg         формат изображения\n"
         "  --width W, --height H     размер, 1..32767 или -1 (выбирает устройство)\n"
         "  --subsampling S           шаг прореживания, 1..255\n"
         "  --quality Q               качество JPEG, 1..100\n"
         "  --until-trigger           закончить при нажатии на курок\n"
         "\n"
         "Незаданные параметры изображения берутся из параметров видео в файле настроек.\n"},
        {IDS_CLI_USAGE_SET_SPEED,
         "Использование: veltor-cli [ПАРАМЕТРЫ] set-speed ИНДЕКС\n"
         "Переводит устройство, работающее на скорости --speed, на скорость ИНДЕКС\n"
         "(0..6 = 2400, 4800, 9600, 19200, 38400, 57600, 115200 бит/с) и выводит новую\n"
         "скорость в бит/с.\n"},
        {IDS_CLI_HELP_HINT, "Справка: %s --help"},
        {IDS_CLI_NO_COMMAND, "не задана команда"},
        {IDS_CLI_UNKNOWN_COMMAND, "неизвестная команда: %s"},
        {IDS_CLI_UNKNOWN_OPTION, "неизвестный параметр: %s"},
        {IDS_CLI_MISSING_VALUE, "у параметра %s нет значения"},
        {IDS_CLI_BAD_VALUE, "недопустимое значение \"%s\" у параметра %s (допустимо: %s)"},
        {IDS_CLI_MISSING_OPTION, "не задан параметр %s"},
        {IDS_CLI_NOT_SET, "не задан параметр %s, и в файле настроек %s его нет"},
        {IDS_CLI_EXTRA_ARGUMENT, "лишний аргумент: %s"},
        {IDS_CLI_ONE_PORT, "параметр --port можно задать несколько раз только для search"},
        {IDS_CLI_SETTINGS_UNREADABLE, "не удалось прочитать файл настроек %s"},
        {IDS_CLI_WRITE_FAILED, "не удалось записать %s: %s"},
        {IDS_CLI_PROGRESS, "%3u%%  %u из %u байт  %u байт/с"},
        {IDS_CLI_STOPPING, "Остановка... (повторное Ctrl-C - не дожидаться устройства)"},

        {IDS_NO_ERROR_MESSAGE, "No error message is available."},
        {IDS_PARSE_INT, "Please enter an integer."},
        {IDS_PARSE_INT_RANGE, "Please enter an integer between %1 and %2."},
        {IDS_PARSE_BYTE, "Please enter an integer between 0 and 255."},
        {IDS_PARSE_UINT, "Please enter a positive integer."},
    };
    return table;
}

}  // namespace

const char* LoadText(int id) {
    const auto& table = Table();
    auto it = table.find(id);
    return it == table.end() ? "" : it->second;
}

std::string FormatText(int id, ...) {
    const char* format = LoadText(id);
    va_list args;
    va_start(args, id);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}
