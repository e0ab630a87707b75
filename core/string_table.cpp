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
        {IDS_CHECK_SAVE_EVERY, "Сохранять каждое изображение"},
        {IDS_LABEL_SAVE_FOLDER, "Папка:"},
        {IDS_BUTTON_BROWSE, "..."},
        {IDS_DESC_BROWSE, "Выбрать папку"},
        {IDS_NO_SAVE_FOLDER, "Укажите папку, в которую сохранять изображения."},
        {IDS_CONVERT_FAILED, "не удалось преобразовать изображение в выбранный формат"},

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
