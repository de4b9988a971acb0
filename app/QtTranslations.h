#pragma once

namespace norvanta::app {

// Loads Qt's own Korean texts (qtbase_ko.qm: the program's own copy where it has one,
// else Qt's translations folder) so that the standard buttons of message boxes read 예,
// 아니요 and 확인 whatever the system's locale: the client speaks Korean everywhere. Once
// per application; true when the translations are in place.
bool installQtKoreanTranslations();

} // namespace norvanta::app
