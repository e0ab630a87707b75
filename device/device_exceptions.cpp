#include "device/device_exceptions.h"

#include <cerrno>

#include "core/string_table.h"

com_port_exception com_port_exception::FromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTTY:
        case EIO: return com_port_exception(LoadText(IDS_PORT_NOT_AVAILABLE));
        case EBUSY: return com_port_exception(LoadText(IDS_PORT_BUSY));
        case EINVAL:
        case ENAMETOOLONG:
        case ENOTDIR: return com_port_exception(LoadText(IDS_PORT_NOT_SET));
        case EACCES:
        case EPERM: return com_port_exception(LoadText(IDS_PORT_NO_PERMISSION));
        default:
            return com_port_exception(
                FormatText(IDS_PORT_OPEN_ERROR, static_cast<unsigned long>(error)));
    }
}

test_exception::test_exception(int stringId) : object_description(LoadText(stringId)) {}
