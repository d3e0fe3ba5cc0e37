// tavrin-cli: Tavrin Studio's flows without windows, for scripts and production lines.
#include "cli/CCommandContext.h"
#include "cli/CRecordOutput.h"
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

namespace {

struct SCommand
{
    std::function<int(Cli::CCommandContext&, const QStringList&)> run;
    Cli::SUsage usage;         // its usage error and the synopsis of its help
    const char* details;       // its records and the exit codes it uses
    QStringList formatRecords; // with --format: the record kinds it prints; else empty
};

const std::map<QString, SCommand>& Commands()
{
    static const std::map<QString, SCommand> commands = {
        {QStringLiteral("tags"),
         {Cli::RunTags,
          {{QStringLiteral("tags compile SOURCE -o FILE | tags [dump] [PATH] [--type N]")},
           QStringLiteral(
               "compile a tag-file source; print a tag file (or the newest in a folder)")},
          "PATH is a tag file or a folder; without it, the \"TagFileDir\" setting's folder.\n"
          "records: file PATH COUNT; tag TAG MASK UNITS GROUP PRESENTATION PRIVILEGE NAME\n"
          "  INFORMATION HELP; text CODE CLASS COUNT TEXT...\n"
          "exit codes: 0 done, 1 usage, 7 a file cannot be read or written",
          {QStringLiteral("file"), QStringLiteral("tag"), QStringLiteral("text")}}},
        {QStringLiteral("adc"),
         {Cli::RunAdc,
          {{QStringLiteral("adc --list [--channels FILE] [--port DEV]"),
            QStringLiteral(
                "adc [--channels FILE] [--count N] [--interval MS] [--tag T]... [--port DEV]")},
           QStringLiteral(
               "list the ADC channels of the connected controller, or sample their values")},
          "FILE is the ADC channel file (default: the \"ADCFileDirectory\" setting's\n"
          "  ADCChannel.dat, the bundled one unless set). --list prints the channels it offers\n"
          "  for the identified controller type. Otherwise every offered channel (or each\n"
          "  --tag) is read once a round, a round every MS milliseconds (default 850), N rounds\n"
          "  or until Ctrl-C, which ends after the record being written.\n"
          "records: channel TAG NAME MINIMUM MAXIMUM; adc SECONDS TAG NAME VALUE, SECONDS since\n"
          "  the first round and VALUE a signed number, \"Comms lost\" (no reply) or\n"
          "  \"Unsupported controller\" (answered without Supported, or no such tag)\n"
          "exit codes: 0 done (also after Ctrl-C), 1 usage or a --tag the type has no channel\n"
          "  for, 2 no controller identified or not one reading answered, 4 no channel for\n"
          "  this controller type, 6 the port cannot be opened, 7 the channel file cannot be\n"
          "  read",
          {}}},
        {QStringLiteral("adc-channels"),
         {Cli::RunAdcChannels,
          {{QStringLiteral("adc-channels compile SOURCE -o FILE | adc-channels dump FILE")},
           QStringLiteral(
               "compile an ADC channel source (share/ADCChannels.adcsrc); print a channel file")},
          "A bad source line is named by its number on standard error.\n"
          "records: channel TYPE TAG MINIMUM MAXIMUM ACCESS NAME SECOND-TEXT RANGE-LOW RANGE-HIGH\n"
          "exit codes: 0 done, 1 usage, 7 a file cannot be read or written (a bad source line,\n"
          "  a damaged channel file)",
          {}}},
        {QStringLiteral("info"),
         {Cli::RunInfo,
          {{QStringLiteral("info [--port DEV] [--tags PATH]")},
           QStringLiteral(
               "print the controller information: type, versions, battery, checksum, trip")},
          "One record for each line of the controller-information text. The tag file (--tags,\n"
          "  or the \"TagFileDir\" setting when set) names the trip.\n"
          "records: info LINE\n"
          "exit codes: 0 done, 1 usage, 2 no controller answered, 4 answered but not\n"
          "  identified, 6 the port cannot be opened, 7 the tag file cannot be read",
          {QStringLiteral("info")}}},
        {QStringLiteral("log"),
         {Cli::RunLog,
          {{QStringLiteral("log system|control [--port DEV] [--tags PATH] [--clear [--yes]]")},
           QStringLiteral("print the controller's system or control trip log; clear it")},
          "--clear asks first, before anything is sent (--yes answers Yes; without a terminal\n"
          "  the answer is No), then prints the entries and clears the log as the log window\n"
          "  does. The tag file (--tags, or the \"TagFileDir\" setting when set) names the\n"
          "  trips.\n"
          "records: entry CODE COUNT TRIP-NAME for each entry in the log's order; cleared LOG\n"
          "exit codes: 0 done, 1 usage, 2 no controller answered, 3 the clear failed part way,\n"
          "  4 the controller keeps no such log, 5 answered No, 6 the port cannot be opened,\n"
          "  7 the tag file cannot be read",
          {QStringLiteral("entry"), QStringLiteral("cleared")}}},
        {QStringLiteral("identify"),
         {Cli::RunIdentify,
          {{QStringLiteral("identify [--port DEV] [--verbose]")},
           QStringLiteral("identify the connected controller")},
          "records: type N NAME; with --verbose then lowlatency STATE TEXT for the port: STATE\n"
          "  on, not-offered (the device has no low-latency mode) or off (the \"LowLatency\"\n"
          "  setting), TEXT the same in words (\"on (latency timer 1 ms)\")\n"
          "exit codes: 0 done, 1 usage, 2 no controller answered, 4 answered but not\n"
          "  identified (temporarily unavailable, not recognised, or a code of no known type),\n"
          "  6 the port cannot be opened",
          {QStringLiteral("type"), QStringLiteral("lowlatency")}}},
        {QStringLiteral("param"),
         {Cli::RunParam,
          {{QStringLiteral("param TAG [--port DEV] [--units U]")},
           QStringLiteral("read one parameter")},
          "records: param TAG VALUE MAXIMUM MINIMUM SCALE DIV STEP SHIFT CHECKSUM-WORD FLAGS\n"
          "  EXTENSION (raw words; --units gives the default maximum of a units code)\n"
          "exit codes: 0 done, 1 usage, 2 no reply or not supported, 4 no such parameter,\n"
          "  6 the port cannot be opened",
          {}}},
        {QStringLiteral("set"),
         {Cli::RunSet,
          {{QStringLiteral("set NAME|TAG RAW [--force] [--tags PATH] [--port DEV]"),
            QStringLiteral("set NAME|TAG --display VALUE [--tags PATH | --units U] [--port DEV]")},
           QStringLiteral("write one parameter and confirm it by reading it back")},
          "NAME is the parameter's exact tag-file name or an unambiguous case-insensitive\n"
          "  prefix of it, among the parameters of the identified controller's type (the tag\n"
          "  file: --tags, or the \"TagFileDir\" setting); an ambiguous one is refused with\n"
          "  its candidates.\n"
          "RAW is the raw word (a negative number is its signed reading); one outside the\n"
          "  parameter's minimum..maximum is refused unless --force.\n"
          "VALUE is the value as the list view shows it, with the decimals of the tag's\n"
          "  presentation (\"11.5\" for \"11.5 secs\"); more decimals than shown, a value\n"
          "  outside the displayed limits or one the scaling cannot give exactly are refused.\n"
          "  A list or radio parameter also takes its option text (\"Yes\"). A value that\n"
          "  already shows the same text is not written (record unchanged).\n"
          "  The tag file (--tags, or the \"TagFileDir\" setting) gives units and presentation.\n"
          "  The value overwritten is saved as a profile in the backups folder and the write\n"
          "  gets a line in the change log.\n"
          "records: set RESULT MEANING (0 written and confirmed, 1 not supported, 2 read only,\n"
          "  5 read-back differs, 6 no reply), then backup PATH when one was saved; or\n"
          "  unchanged TAG VALUE-TEXT when --display asked for the value already shown\n"
          "exit codes: 0 confirmed, 1 usage or invalid value (nothing written), 2 no reply,\n"
          "  3 written but the read-back differs, 4 no such parameter, not supported or read\n"
          "  only, or a controller not identified, 6 the port cannot be opened, 7 the tag file\n"
          "  cannot be read",
          {QStringLiteral("set"), QStringLiteral("unchanged"), QStringLiteral("backup")}}},
        {QStringLiteral("get"),
         {Cli::RunGet,
          {{QStringLiteral("get NAME|TAG [--port DEV] [--tags PATH]")},
           QStringLiteral("read one parameter")},
          "NAME is the parameter's exact tag-file name or an unambiguous case-insensitive\n"
          "  prefix of it, among the parameters of the identified controller's type; an\n"
          "  ambiguous one is refused with its candidates. The tag file (--tags, or the\n"
          "  \"TagFileDir\" setting) names the parameter and words its value.\n"
          "records: param as show prints it: TAG VALUE MAXIMUM MINIMUM SCALE DIV STEP SHIFT\n"
          "  CHECKSUM-WORD FLAGS EXTENSION NAME VALUE-TEXT (an empty name and the plain\n"
          "  number without a tag file for a TAG)\n"
          "exit codes: 0 read, 1 usage, or a NAME unknown, ambiguous or without a tag file,\n"
          "  2 no controller identified, no reply or not supported, 4 no such parameter,\n"
          "  6 the port cannot be opened, 7 the tag file cannot be read",
          {QStringLiteral("param")}}},
        {QStringLiteral("read"),
         {Cli::RunRead,
          {{QStringLiteral("read [--port DEV] [--tags PATH] -o OUT.prf")},
           QStringLiteral("read the controller's parameter set into a profile")},
          "Progress goes to standard error. OUT is checked for writing before the read, and\n"
          "  written only when every parameter was read: after a tag without reply an existing\n"
          "  OUT stays as it was and standard error names the parameters not read. The read\n"
          "  stops after 3 parameters in a row got no reply.\n"
          "records: read COUNT TYPE NAME\n"
          "exit codes: 0 done, 1 usage or no tag to read, 2 no controller answered or a tag got\n"
          "  no reply (nothing written), 4 the controller answered but was not identified\n"
          "  (nothing written), 6 the port cannot be opened, 7 the tag file cannot be read or\n"
          "  OUT cannot be written",
          {QStringLiteral("read")}}},
        {QStringLiteral("write"),
         {Cli::RunWrite,
          {{QStringLiteral("write IN.prf [--port DEV] [--tags PATH] [--changed-only] [--keep "
                           "NAME|TAG,...] [--yes]")},
           QStringLiteral(
               "write a profile to the controller, last parameter first, confirming each")},
          "Asks first unless --yes; without a terminal the answer is No.\n"
          "  --changed-only reads the controller's values first (one exchange a record) and\n"
          "  writes only the records that differ; when none differs nothing is asked.\n"
          "  --keep leaves the named parameters as the controller holds them (a tag number,\n"
          "  the exact name or an unambiguous case-insensitive prefix of it).\n"
          "  The values overwritten are saved as a profile in the backups folder, and each\n"
          "  record written gets a line in the change log.\n"
          "  The write stops after 3 records in a row got no reply; the rest are not sent.\n"
          "records: failed TAG NAME RESULT for each record not confirmed, then\n"
          "  written CONFIRMED FAILED SKIPPED UNCHANGED KEPT NOT-SENT (FAILED tried and not\n"
          "  confirmed, SKIPPED without a tag for the type, UNCHANGED already held with\n"
          "  --changed-only, KEPT left alone by --keep, NOT-SENT never sent because the\n"
          "  controller stopped answering), then backup PATH when one was saved\n"
          "exit codes: 0 all confirmed or skipped, 1 usage or an unknown or ambiguous --keep\n"
          "  name, 2 no controller answered (also during --changed-only's reading, or the\n"
          "  write stopped), 3 not every record confirmed, 4 profile of another controller\n"
          "  type, or a controller that answered but was not identified, 5 answered No,\n"
          "  6 the port cannot be opened, 7 a file cannot be read, or the backups folder\n"
          "  cannot be written (nothing sent)",
          {QStringLiteral("backup"), QStringLiteral("failed"), QStringLiteral("written")}}},
        {QStringLiteral("diff"),
         {Cli::RunDiff,
          {{QStringLiteral("diff A.prf [B.prf | --port DEV] [--tags PATH] [--keep NAME|TAG,...]")},
           QStringLiteral("compare two profiles, or a profile with the connected controller")},
          "Against a controller only the values are read, one exchange a record of A; the\n"
          "  controller must be of A's type. Texts are as the list view shows them. --keep\n"
          "  leaves the named parameters out of the counts (a tag number, the exact name or\n"
          "  an unambiguous case-insensitive prefix of it). A record the controller does not\n"
          "  answer is named on standard error; after 3 in a row without reply the rest are\n"
          "  not read (named as such). Two profiles must be of one controller type.\n"
          "records: differ TAG NAME TEXT-A TEXT-B for each record whose value differs;\n"
          "  only-a TAG NAME and only-b TAG NAME for a record on one side only (only-a also\n"
          "  for one the controller refuses); kept TAG NAME TEXT-A TEXT-B; last\n"
          "  diff DIFFERING SAME ONLY-A ONLY-B\n"
          "exit codes (as diff(1)): 0 identical, 1 different, 2 trouble: usage (also an\n"
          "  unknown --format), a file that cannot be read, an unknown or ambiguous --keep\n"
          "  name, profiles of two controller types, the port, no controller identified, a\n"
          "  controller of another type or a record without reply",
          {QStringLiteral("differ"), QStringLiteral("only-a"), QStringLiteral("only-b"),
           QStringLiteral("kept"), QStringLiteral("diff")}}},
        {QStringLiteral("apply"),
         {Cli::RunApply,
          {{QStringLiteral("apply PROFILE --ports DEV1,DEV2,... [--changed-only] [--report "
                           "FILE.csv] [--tags PATH] [--keep NAME|TAG,...] [--yes]")},
           QStringLiteral(
               "program several controllers with one profile at once, one thread a port")},
          "Asks once before any port is opened unless --yes; without a terminal the answer is\n"
          "  No. Each port: identify, check the type, write every record (or with\n"
          "  --changed-only those that differ) saving the values overwritten as a backup\n"
          "  profile and in the change log. Each record is confirmed by reading it back right\n"
          "  after its write; a confirmed value is not read a second time. --keep\n"
          "  leaves per-unit parameters (a node address, a calibration) untouched on every\n"
          "  controller: a tag number, the exact name or an unambiguous case-insensitive\n"
          "  prefix. Progress (\"DEV: writing 40/97\") and each port's problems go to standard\n"
          "  error. --report writes the port records as CSV (RFC 4180) with the controller's\n"
          "  versions and program checksum.\n"
          "records: port DEVICE TYPE RESULT CONFIRMED FAILED SKIPPED UNCHANGED KEPT NOT-SENT\n"
          "  BACKUP REASON for each port as it finishes, the counts as write's written record,\n"
          "  TYPE empty when none was identified, REASON the port's problems joined by \"; \"\n"
          "  (empty when ok); RESULT ok, type-mismatch, no-controller (nothing written) or\n"
          "  failed (the port did not open, or a record was not confirmed or sent)\n"
          "exit codes: 0 every port ok, 1 usage or an unknown or ambiguous --keep name,\n"
          "  3 a port not ok, 5 answered No (nothing sent), 7 a file cannot be read, the\n"
          "  report cannot be written, or the backups folder cannot be written (nothing sent)",
          {QStringLiteral("port")}}},
        {QStringLiteral("print"),
         {Cli::RunPrint,
          {{QStringLiteral("print PROFILE [--tags PATH] -o OUT.pdf [--style simple|columns] "
                           "[--fill-page] [--main-font \"FAMILY,POINTS\"] [--title-font FAMILY] "
                           "[--paper A4|Letter] [--notes TEXT]")},
           QStringLiteral("print a profile's records to a PDF as the application prints them")},
          "The style, the template's proportions (--fill-page stretches it), the fonts and the\n"
          "  notes default to the \"PrintFormat\", \"Isotropic\", \"MainLF\", \"TitleLF\" and\n"
          "  \"PrintNotes\" settings; the paper defaults to A4. The title is the profile's file\n"
          "  name. When nothing is printed no file is written.\n"
          "records: printed PAGES OUT\n"
          "exit codes: 0 printed, 1 usage, nothing to print (the simple list of an empty set)\n"
          "  or the page too small for the text size, 7 the profile or the tag file cannot be\n"
          "  read, or OUT cannot be written",
          {}}},
        {QStringLiteral("export"),
         {Cli::RunExport,
          {{QStringLiteral("export PROFILE [--tags PATH] [--format csv|json] -o OUT")},
           QStringLiteral(
               "write a profile's parameters as CSV or JSON, as the application exports them")},
          "Without --format a name ending in .json gives JSON, any other CSV. CSV: a header\n"
          "  line tag,name,value,raw,minimum,maximum,units,group, then one line a parameter\n"
          "  (RFC 4180, CRLF); JSON: {\"controllerType\", \"controllerName\", \"parameters\"}.\n"
          "  The texts are the list view's; parameters the tag file lacks are left out. OUT is\n"
          "  written whole or not at all: an existing OUT stays as it was on any failure.\n"
          "records: exported COUNT OUT\n"
          "exit codes: 0 written, 1 usage or an unknown --format, 7 the profile or the tag\n"
          "  file cannot be read, or OUT cannot be written",
          {}}},
        {QStringLiteral("show"),
         {Cli::RunShow,
          {{QStringLiteral("show PROFILE [--tags PATH]")},
           QStringLiteral("print a profile's records with their names and value texts")},
          "records: profile HEADER COUNT TYPE TYPE-NAME (HEADER the header word as 0xHHHH),\n"
          "  then for each record in file order param TAG NAME VALUE-TEXT MINIMUM-TEXT\n"
          "  MAXIMUM-TEXT VALUE FLAGS as the list view shows them (VALUE the raw word, FLAGS\n"
          "  0xHH; an empty name and the stored units for a tag the tag file lacks); json adds\n"
          "  the record's other raw words\n"
          "exit codes: 0 done, 1 usage, 7 the profile or the tag file cannot be read",
          {QStringLiteral("profile"), QStringLiteral("param")}}},
        {QStringLiteral("timers"),
         {Cli::RunTimers,
          {{QStringLiteral(
               "timers [--port DEV] [--clear LINE [--yes] | --program SERVICE TOTAL BRUSH]")},
           QStringLiteral("show the service timers, clear one, or program the programmable times")},
          "LINE is 1..3; --clear asks first, before anything is sent (--yes answers Yes;\n"
          "  without a terminal the answer is No). SERVICE, TOTAL and BRUSH are hours, 0..2550;\n"
          "  one outside is refused and nothing is sent. TOTAL must be at least SERVICE and\n"
          "  BRUSH.\n"
          "records: timer LINE TAG CAPTION TEXT for each line the controller type shows (TEXT\n"
          "  \"12 Hours\", or \"N/C\" without a reply), then programmable available|unavailable;\n"
          "  cleared LINE TAG; programmed SERVICE TOTAL BRUSH\n"
          "exit codes: 0 done, 1 usage, invalid times (nothing written) or a line this type\n"
          "  does not show, 2 no controller answered or the clear got no reply, 3 not every\n"
          "  programmed time confirmed, 4 a controller type without service timers, or one\n"
          "  that does not offer programmable times (nothing written), 6 the port cannot be\n"
          "  opened",
          {QStringLiteral("timer"), QStringLiteral("programmable"), QStringLiteral("cleared"),
           QStringLiteral("programmed")}}},
        {QStringLiteral("update-check"),
         {Cli::RunUpdateCheck,
          {{QStringLiteral(
               "update-check [--tags DIR] [--server URL] [--user U] [--password P] [--yes]")},
           QStringLiteral("look for a newer tag file on the update server and install it")},
          "DIR is the tag-file folder (default: the \"TagFileDir\" setting); the server, account\n"
          "  and folder default to the \"UpdateServer\", \"UpdateUser\", \"UpdatePassword\" and\n"
          "  \"UpdateFolder\" settings. Asks before installing unless --yes; without a terminal\n"
          "  the answer is No. A download is checked as a tag file before it replaces anything.\n"
          "records: remote NAME (empty when none), local NAME, then installed NAME, latest or\n"
          "  declined; nothing when the server cannot be reached\n"
          "exit codes: 0 installed or nothing newer, 1 usage, 2 could not connect, log in or\n"
          "  open the folder, or the transfer failed, 4 the downloaded file is not a valid tag\n"
          "  file (nothing installed), 5 answered No, 7 the tag-file folder cannot be written",
          {}}},
        {QStringLiteral("zero-tilt"),
         {Cli::RunZeroTilt,
          {{QStringLiteral("zero-tilt [--port DEV] [--yes] [--retry N]")},
           QStringLiteral("take the tilt sensor's present reading as zero (controller type 12)")},
          "Asks first unless --yes; without a terminal the answer is No. An unanswered\n"
          "  attempt is retried only with --retry N, at most N times.\n"
          "records: tilt zeroed\n"
          "exit codes: 0 zeroed, 1 usage, 2 no controller answered, or the zeroing got no\n"
          "  reply and was not retried, 4 a controller of another type, 5 answered No,\n"
          "  6 the port cannot be opened",
          {}}},
        {QStringLiteral("eeprom-defaults"),
         {Cli::RunEepromDefaults,
          {{QStringLiteral("eeprom-defaults [--port DEV] [--tags PATH] [--yes] [--retry N]")},
           QStringLiteral(
               "reset every parameter to its factory value (controller types 9 and 10)")},
          "Asks first unless --yes; without a terminal the answer is No. An unanswered\n"
          "  attempt is retried only with --retry N, at most N times. Then offers to read\n"
          "  every parameter and save it in the backups folder first (--yes does); that read\n"
          "  needs the tag file (--tags, or the \"TagFileDir\" setting).\n"
          "records: backup PATH (when one was saved), defaults done\n"
          "exit codes: 0 done, 1 usage, 2 no controller answered, or the reset or the\n"
          "  backup read got no reply, 4 a controller of another type, 5 not confirmed,\n"
          "  6 the port cannot be opened, 7 the tag file cannot be read, or the backup cannot\n"
          "  be saved or read without a tag file (nothing reset)",
          {}}},
        {QStringLiteral("dfile"),
         {Cli::RunDFile,
          {{QStringLiteral("dfile --type T FILE [--port DEV] [--yes]")},
           QStringLiteral("program a D-File into the controller's EEPROM (types 5, 6, 8 and 31)")},
          "FILE is a binary D-File, or for type 31 a text D-File. The controller must identify\n"
          "  as type T. Asks first, and for a text D-File shows its comment and asks again,\n"
          "  unless --yes; without a terminal the answer is No. Progress goes to standard error.\n"
          "  The EEPROM bytes about to be overwritten are read and saved first as an image in\n"
          "  the backups folder, so programming takes twice the time; without that backup\n"
          "  nothing is programmed.\n"
          "records: backup PATH (once saved); dfile programmed\n"
          "exit codes: 0 programmed, 1 usage or a type that takes no D-File, 2 no controller\n"
          "  answered (also during the backup's read), 3 programming failed (bytes before the\n"
          "  failure stay written),\n"
          "  4 a controller of another type, or a file that does not fit (another type, too\n"
          "  short, a bad line or a bad checksum), 5 answered No, 6 the port cannot be opened,\n"
          "  7 the file cannot be read",
          {}}},
        {QStringLiteral("eeprom"),
         {Cli::RunEeprom,
          {{QStringLiteral("eeprom read [--port DEV] [--bytes 128|256|512|1024] -o FILE [--text]"),
            QStringLiteral("eeprom write FILE [--port DEV] [--yes]"),
            QStringLiteral("eeprom show FILE")},
           QStringLiteral("copy a controller's EEPROM bytes into an image file (*.eep), write an "
                          "image\nback into a controller of its type, print an image")},
          "read takes the bytes from address 0 on (256 unless --bytes) and writes the binary\n"
          "  image, or with --text the text dump (which cannot be loaded back); when the read\n"
          "  fails no file is written. write asks before programming, and first whether to\n"
          "  read a file that looks like text, unless --yes; without a terminal the answer is\n"
          "  No. write first reads the bytes it overwrites and saves them as an image in the\n"
          "  backups folder (twice the time; without the backup nothing is written). show never\n"
          "  asks. Progress goes to standard error.\n"
          "records: read BYTES TYPE NAME; write: backup PATH, written BYTES; show: from TYPE\n"
          "  NAME, then byte ADDRESS VALUE HEX for each byte\n"
          "exit codes: 0 done, 1 usage, 2 no controller answered or a byte got no reply,\n"
          "  3 write stopped at a byte not confirmed (standard error names its address; the\n"
          "  bytes before it stay written), 4 an image of another controller type (nothing\n"
          "  sent) or a controller not identified, 5 answered No, 6 the port cannot be opened,\n"
          "  7 a file cannot be read or written (shorter than 4 bytes, over 65536 data bytes,\n"
          "  no bytes to write, or for show not an image: a text dump, a PDF); read checks FILE\n"
          "  can be written before it reads",
          {}}},
        {QStringLiteral("commtest"),
         {Cli::RunCommTest,
          {{QStringLiteral("commtest --ext FROM TO --tag FROM TO --value FROM TO [--port DEV]")},
           QStringLiteral("send a read request for every extension, tag and value of the ranges")},
          "Each number is cut to its field's width: 8 bits for the extension, 16 for tag and\n"
          "  value (an extension of 300 is 44). Extension outermost, value innermost; two\n"
          "  attempts a packet; a reply counts only when it echoes the extension and the tag.\n"
          "  Progress goes to standard error.\n"
          "records: bad TX-LINE, then bad RX-LINE for each packet not answered; last\n"
          "  commtest GOOD BAD MS-PER-PACKET (the time taken divided by the packets sent)\n"
          "exit codes: 0 no bad packet, 1 usage, 2 no packet answered, 3 some packets bad,\n"
          "  6 the port cannot be opened",
          {}}},
        {QStringLiteral("exchange"),
         {Cli::RunExchange,
          {{QStringLiteral(
               "exchange [--port DEV] [--write] [--attempts N] TAG [EXT [WORD2 [WORD3]]]")},
           QStringLiteral("send one request frame and print it with the reply")},
          "records: request BYTES; reply BYTES STATUS WORD1 WORD2 WORD3 [NOTE], or reply none\n"
          "exit codes: 0 a reply answered, 1 usage, 2 no reply that answers the request,\n"
          "  6 the port cannot be opened",
          {}}},
    };
    return commands;
}

const char* kCommon =
    "Records are one a line, fields separated by tabs; inside a text \\\\, \\t, \\r and \\n\n"
    "stand for backslash, tab, CR and LF. Numbers are decimal or 0x-prefixed\n"
    "hexadecimal; a leading minus is a number, not an option. Without --port the\n"
    "\"PortDevice\" setting names the serial device; without --tags the \"TagFileDir\"\n"
    "setting names the tag-file folder.\n";

const char* kExitCodes = "exit codes (the same in every command):\n"
                         "  0 done\n"
                         "  1 usage or invalid input (nothing sent)\n"
                         "  2 no controller answered, or the link failed\n"
                         "  3 done only in part (the lines say which)\n"
                         "  4 refused: another controller type, or a file that does not fit\n"
                         "  5 the user answered No\n"
                         "  6 the serial port cannot be opened (missing, busy, permission)\n"
                         "  7 a file cannot be read or written\n";

void Usage(FILE* out)
{
    std::fprintf(out, "usage: tavrin-cli COMMAND [ARGS]\n"
                      "       tavrin-cli COMMAND --help | tavrin-cli --version\n\ncommands:\n");
    for (const auto& [name, command] : Commands())
        std::fprintf(out, "%s\n", qPrintable(command.usage.Synopsis(QStringLiteral("  "))));
    std::fprintf(out, "\n%s\n%s", kCommon, kExitCodes);
}

// The commands that print their records in another format on request: those whose entry
// names the record kinds.
bool HasFormatOption(const QString& command)
{
    const auto it = Commands().find(command);
    return it != Commands().end() && !it->second.formatRecords.isEmpty();
}

// The --format paragraph of a command's help, with the JSON names of its records' fields.
QString FormatHelp(const QString& command)
{
    QString text = QStringLiteral(
        "--format tsv|csv|json: tsv (the default) as above; csv one line a record, the record's\n"
        "  name first, RFC 4180 quoting; json one object at the end, {\"command\": NAME,\n"
        "  \"exit\": CODE, \"records\": [...]}, each record an object with \"record\" and its\n"
        "  fields (numbers marked #, the rest strings):\n");
    for (const QString& kind : Commands().at(command).formatRecords) {
        QStringList names = Cli::RecordFieldNames(command, kind);
        for (QString& name : names) {
            if (name.endsWith(QLatin1String("[]")))
                name = QStringLiteral("%1 (array)").arg(name.chopped(2));
        }
        // Wrapped to the width of the rest of the help.
        QString line = QStringLiteral("    %1:").arg(kind);
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString item = names.at(i) + (i + 1 < names.size() ? QStringLiteral(",") : "");
            if (line.size() + 1 + item.size() > 86) {
                text += line + QLatin1Char('\n');
                line = QStringLiteral("     ");
            }
            line += QLatin1Char(' ') + item;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

void CommandHelp(const QString& name, const SCommand& command)
{
    std::printf("%s\n\n%s\n\n", qPrintable(command.usage.Synopsis(QStringLiteral("usage: "))),
                command.details);
    if (HasFormatOption(name))
        std::printf("%s\n", qPrintable(FormatHelp(name)));
    std::printf("%s", kCommon);
}

// --help or -h among the command's arguments, before any "--".
bool AsksForHelp(const QStringList& args)
{
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            return false;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return true;
    }
    return false;
}

// Takes "--format F" or "--format=F" (before any "--") out of `args` for the commands that
// have it. False, with the reason on standard error, for a format that does not exist.
bool TakeFormatOption(const QString& command, QStringList& args,
                      std::optional<Cli::EOutputFormat>& format)
{
    if (!HasFormatOption(command))
        return true;
    const QString option = QStringLiteral("--format");
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--"))
            break;
        QString value;
        if (arg == option) {
            value = args.value(i + 1);
            args.remove(i, std::min<qsizetype>(2, args.size() - i));
        } else if (arg.startsWith(option + QLatin1Char('='))) {
            value = arg.mid(option.size() + 1);
            args.remove(i);
        } else {
            continue;
        }
        format = Cli::ParseOutputFormat(value);
        if (!format) {
            Cli::Error(QStringLiteral("--format takes tsv, csv or json, not \"%1\"").arg(value));
            return false;
        }
        --i;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // Only printing needs fonts and painting; every other command stays a plain console
    // program that runs without any display. The GUI application would take options such as
    // --style out of the arguments, so it sees the program name alone.
    int guiArgc = 1; // outlives the application, which keeps a reference to it
    std::unique_ptr<QCoreApplication> app;
    QStringList args;
    if (argc > 1 && std::strcmp(argv[1], "print") == 0) {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        for (int i = 0; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        app = std::make_unique<QGuiApplication>(guiArgc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
        args = QCoreApplication::arguments();
    }
    QCoreApplication::setApplicationName(QStringLiteral("tavrin-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVRIN_VERSION));

    args.removeFirst();
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        Usage(args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? Cli::kExitUsage : Cli::kExitOk;
    }
    if (args.first() == QLatin1String("--version")) {
        std::printf("tavrin-cli %s\n", TAVRIN_VERSION);
        return Cli::kExitOk;
    }
    const QString name = args.takeFirst();
    const auto it = Commands().find(name);
    if (it == Commands().end()) {
        Cli::Error(QStringLiteral("unknown command \"%1\"").arg(name));
        Usage(stderr);
        return Cli::kExitUsage;
    }
    if (AsksForHelp(args)) {
        CommandHelp(name, it->second);
        return Cli::kExitOk;
    }
    std::optional<Cli::EOutputFormat> format = Cli::EOutputFormat::Tsv;
    if (!TakeFormatOption(name, args, format))
        return name == QLatin1String("diff") ? 2 : Cli::kExitUsage; // diff(1): 2 is trouble
    Cli::CCommandContext context(name, it->second.usage, *format);
    Cli::BeginOutput(name, *format);
    const int exitCode = it->second.run(context, args);
    Cli::EndOutput(exitCode);
    return exitCode;
}
