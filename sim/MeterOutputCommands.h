#pragma once

class MeterModel;

// The commands of the 4-20 mA output and the relays: the output record
// ("MA,0" / "MA,3,"), calibration mode ("MA,1,"), forced counts ("MA,2,1,"
// to "MA,2,3,"), the relay record ("RY,2,"), the relay test switches ("RY,1",
// "RY,3,", "RY,5", "RY,9,"), relay 4 on the power monitor ("RY,4,") and the
// power monitor reset ("LR,4"). Each change is stored in the meter's state
// and shows in the next read; in calibration mode the output record reports
// the forced count.
void installOutputCommands(MeterModel& model);
