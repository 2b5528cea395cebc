#pragma once

class MeterModel;

// The commands of the unit setup dialog's pipe, limits and learning settings:
// the pipe record ("PD,0" / "PD,1,"), the limits ("LM,1," to "LM,5,"), the
// transmit power, XQ mode and signal cut-offs ("MD,3," to "MD,6,") and the
// learning settings ("LR,1," "LR,2," "LR,3," "LR,9"). Binary arguments are
// read by count, so a line feed inside one is data. Each change is stored in
// the meter's state and shows in the next read of the records that hold it.
void installSetupCommands(MeterModel& model);
