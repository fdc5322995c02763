#include "commandname.h"

#include "recordgenerator.h"

namespace sim
{

std::string commandName(protocol::CommandCode code)
{
    namespace C = protocol::Command;
    switch (code) {
    case C::RequestReading:
        return "RequestReading";
    case C::SingleTest:
        return "SingleTest";
    case C::BuzzerOff:
        return "BuzzerOff";
    case C::BuzzerOn:
        return "BuzzerOn";
    case C::RequestRecordCount:
        return "RequestRecordCount";
    case C::LineResistanceCheck:
        return "LineResistanceCheck";
    case C::BacklightOff:
        return "BacklightOff";
    case C::BacklightOn:
        return "BacklightOn";
    case C::Probe:
        return "Probe";
    case C::ClearRecords:
        return "ClearRecords";
    default:
        if (code > MaxRecordCount)
            return "UnknownCommand " + std::to_string(code);
        return "RequestRecord " + std::to_string(code);
    }
}

} // namespace sim
