# The tests that take a second or more: labelled "slow", so that scripts/test quick
# (ctest -LE slow) leaves them out. Read by CTest after the discovered tests' own files,
# hence the names as GoogleTest reports them; each keeps its suite's labels. The slow
# widget suites are labelled where they are declared (tests/CMakeLists.txt).
set_tests_properties("SettingsKeyTest.KilledWriterLeavesAWholeFile"
    PROPERTIES LABELS "platform;slow")
set_tests_properties("Stalls/DeadlineTest.ExchangeEndsByItsTotalTime/ConnectionNeverAccepted  # GetParam() = ConnectionNeverAccepted"
    PROPERTIES LABELS "net;slow")
set_tests_properties("SavedCredentials.HeldSettingsLockFailsTheSaveWithinASecond"
    PROPERTIES LABELS "app;slow")
