#pragma once
// The kitchen screens' pages on the monitoring's HTTP server:
//   GET  /pantalla/NOMBRE            the page
//   GET  /pantalla/NOMBRE/eventos    the screen's state, pushed at every change
//   POST /pantalla/NOMBRE/visto?ids=ID,ID   cards the page has shown
//   POST /pantalla/NOMBRE/hecho?id=ID       a card marked done
//   POST /pantalla/NOMBRE/recuperar         the last card done brought back
// Each screen has its own key: /pantalla/NOMBRE?clave=CLAVE sets a cookie
// for that screen's addresses only and sends the browser to the address
// without the key. Anything else of the screen wants the cookie; the key
// opens nothing but its screen, and the monitoring's token opens no screen.
#include "devices/screen/ScreenHub.h"
#include "monitor/HttpServer.h"

namespace tpv {

bool isScreenRequest(const HttpRequest &request);
// Runs on the HTTP thread; never waits on the print run.
HttpResponse screenResponse(const HttpRequest &request, ScreenHub &hub);

// The page of a screen (HTML with its style and script).
QByteArray screenPage(const ScreenConfig &screen);

}  // namespace tpv
