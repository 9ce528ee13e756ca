// A kitchen screen's page: plain HTML, CSS and JavaScript served by the
// program, for a 1280×800 tablet and a 1920×1080 screen touched with wet
// hands. It keeps no state of its own: the screen's whole state comes as
// an event at every change (ScreenHub), and the page answers which cards it
// has shown, which are done and which one it wants back.
#include "monitor/ScreenRequests.h"

namespace tpv {

namespace {

const char kHead[] = R"PAGE(<!DOCTYPE html>
<html lang="es">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>@NOMBRE@ · Pantalla de cocina</title>
<style>
* { box-sizing: border-box; }
html, body { margin: 0; height: 100%; }
body { font-family: "DejaVu Sans", "Liberation Sans", sans-serif; background: #1c1c1c; color: #eee;
  display: flex; flex-direction: column; -webkit-user-select: none; user-select: none; }
button { font: inherit; font-weight: bold; border: none; border-radius: 10px; min-height: 60px; min-width: 60px;
  padding: 0 22px; touch-action: manipulation; cursor: pointer; }
button:disabled { opacity: .4; }
#barra { display: flex; align-items: center; gap: 16px; padding: 8px 16px; background: #000; min-height: 76px; }
#barra h1 { font-size: 30px; margin: 0; flex: 1; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
#reloj { font-size: 28px; font-variant-numeric: tabular-nums; }
#conexion { font-size: 20px; padding: 8px 14px; border-radius: 8px; background: #2e7d32; }
#conexion.mal { background: #c62828; }
#sonido { background: #f9a825; color: #000; font-size: 20px; }
#recuperar { background: #455a64; color: #fff; font-size: 24px; }
#aviso { display: none; background: #c62828; color: #fff; font-size: 26px; font-weight: bold; padding: 12px 16px; }
body.desconectada #aviso { display: block; }
main { flex: 1; display: flex; min-height: 0; }
#tarjetas { flex: 1; overflow-y: auto; padding: 12px; display: grid; gap: 12px; align-content: start;
  grid-template-columns: repeat(auto-fill, minmax(280px, 1fr)); }
#vacio { grid-column: 1 / -1; text-align: center; font-size: 28px; color: #888; margin-top: 20vh; }
#todo { width: 250px; overflow-y: auto; background: #111; padding: 12px 16px; border-left: 2px solid #333; }
#todo h2 { font-size: 22px; margin: 4px 0 12px; color: #bbb; text-transform: uppercase; }
#totales { list-style: none; margin: 0; padding: 0; font-size: 22px; }
#totales li { padding: 6px 0; border-bottom: 1px solid #333; }
#totales b { display: inline-block; min-width: 2.2em; color: #ffeb3b; }
.tarjeta { background: #fafafa; color: #111; border-radius: 10px; display: flex; flex-direction: column;
  overflow: hidden; transition: opacity .2s; }
.tarjeta.saliendo { opacity: .35; }
.cabeza { display: flex; flex-wrap: wrap; align-items: baseline; gap: 4px 12px; padding: 8px 12px;
  background: #2e7d32; color: #fff; }
.tarjeta.aviso .cabeza { background: #f9a825; color: #000; }
.tarjeta.alarma .cabeza { background: #c62828; color: #fff; }
.mesa { font-size: 30px; font-weight: bold; }
.comanda, .hora { font-size: 18px; }
.edad { margin-left: auto; font-size: 26px; font-weight: bold; font-variant-numeric: tabular-nums; }
.marcas { padding: 6px 8px 0; }
.insignia { display: inline-block; margin: 2px; padding: 4px 10px; border-radius: 6px; background: #000;
  color: #ffeb3b; font-size: 18px; font-weight: bold; }
.platos, .lineas { list-style: none; margin: 0; padding: 6px 12px; flex: 1; }
.plato { font-size: 24px; line-height: 1.25; padding: 5px 0; border-bottom: 1px solid #ddd; }
.plato:last-child { border-bottom: none; }
.cantidad { font-weight: bold; margin-right: 6px; }
.extra { font-size: 19px; padding-left: 34px; color: #444; }
.anulado, .anulado .extra { color: #c62828; text-decoration: line-through; }
.rotulo-anulado { font-size: 16px; margin-left: 8px; text-decoration: none; display: inline-block; }
.seccion { font-size: 15px; color: #666; text-transform: uppercase; padding-top: 8px; }
.lineas li { font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; font-size: 19px; white-space: pre-wrap; }
.hecho { margin: 8px; min-height: 68px; font-size: 28px; background: #2e7d32; color: #fff; }
@media (min-width: 1600px) {
  #tarjetas { grid-template-columns: repeat(auto-fill, minmax(340px, 1fr)); }
  #todo { width: 320px; }
}
</style>
</head>
<body class="cocina">
<div id="barra">
<h1>@NOMBRE@</h1>
<span id="reloj"></span>
<span id="conexion" class="mal">Conectando…</span>
<button id="sonido" type="button" hidden>Toque la pantalla para activar el sonido</button>
<button id="recuperar" type="button" disabled>Recuperar</button>
</div>
<div id="aviso">SIN CONEXIÓN CON EL SERVIDOR: esta pantalla no recibe comandas nuevas</div>
<main>
<section id="tarjetas"><p id="vacio">Sin comandas</p></section>
<aside id="todo"><h2>Todo el día</h2><ol id="totales"></ol></aside>
</main>
)PAGE";

const char kScript[] = R"PAGE(<script>
"use strict";
const base = location.pathname.replace(/\/+$/, "");
const $ = (id) => document.getElementById(id);
let estado = null;
let desfase = 0;          // the server's clock minus this one
let conocidas = null;     // the cards of the last state (none before the first)
const vistas = new Set(); // the cards this page has said it shows
let fuente = null;
let vigia = 0;
let audio = null;

function el(tag, clase, texto) {
  const n = document.createElement(tag);
  if (clase) n.className = clase;
  if (texto !== undefined) n.textContent = texto;
  return n;
}

function conectar() {
  if (fuente) fuente.close();
  fuente = new EventSource(base + "/eventos");
  fuente.addEventListener("estado", (e) => recibir(JSON.parse(e.data)));
  fuente.addEventListener("latido", vigilar);
  fuente.onopen = () => { conexion(true); vigilar(); };
  fuente.onerror = () => {
    conexion(false);
    if (fuente.readyState === EventSource.CLOSED) setTimeout(conectar, 5000);
  };
}

// The server speaks at least every 15 s; a silence of 40 s is a lost
// connection even when the browser has not noticed.
function vigilar() {
  clearTimeout(vigia);
  vigia = setTimeout(() => { conexion(false); conectar(); }, 40000);
}

function conexion(bien) {
  $("conexion").textContent = bien ? "Conectada" : "Sin conexión";
  $("conexion").classList.toggle("mal", !bien);
  document.body.classList.toggle("desconectada", !bien);
}

function recibir(s) {
  vigilar();
  conexion(true);
  desfase = s.ahora - Date.now();
  const nuevas = conocidas ? s.tarjetas.filter((t) => !conocidas.has(t.id)).length : 0;
  conocidas = new Set(s.tarjetas.map((t) => t.id));
  estado = s;
  pintar();
  // Shown once the browser has drawn it.
  requestAnimationFrame(() => setTimeout(() => confirmar(s.tarjetas), 0));
  if (nuevas) sonar(nuevas);
}

function confirmar(tarjetas) {
  const ids = tarjetas.map((t) => t.id).filter((id) => !vistas.has(id));
  if (!ids.length) return;
  ids.forEach((id) => vistas.add(id));
  fetch(base + "/visto?ids=" + ids.join(","), { method: "POST" })
    .then((r) => { if (!r.ok) ids.forEach((id) => vistas.delete(id)); })
    .catch(() => ids.forEach((id) => vistas.delete(id)));
}

function pintar() {
  const s = estado;
  document.body.classList.toggle("sencillo", s.estilo === "sencillo");
  const lista = $("tarjetas");
  lista.replaceChildren(...s.tarjetas.map(tarjeta));
  if (!s.tarjetas.length) {
    const vacio = el("p", "", "Sin comandas");
    vacio.id = "vacio";
    lista.append(vacio);
  }
  $("totales").replaceChildren(...s.todo_el_dia.map((p) => {
    const li = el("li");
    li.append(el("b", "", p.cantidad), document.createTextNode(" " + p.nombre));
    return li;
  }));
  const boton = $("recuperar");
  boton.disabled = s.hechas === 0;
  boton.textContent = s.hechas ? "Recuperar (" + s.hechas + ")" : "Recuperar";
  edades();
}

function tarjeta(t) {
  const art = el("article", "tarjeta");
  art.dataset.id = t.id;
  art.dataset.llegada = t.llegada;
  const cabeza = el("div", "cabeza");
  cabeza.append(el("span", "mesa", t.mesa ? "Mesa " + t.mesa : "Sin mesa"));
  if (t.comanda) cabeza.append(el("span", "comanda", "Comanda " + t.comanda));
  if (t.hora) cabeza.append(el("span", "hora", t.hora.slice(0, 5)));
  cabeza.append(el("span", "edad"));
  art.append(cabeza);
  if (t.marcas.length) {
    const marcas = el("div", "marcas");
    t.marcas.forEach((m) => marcas.append(el("span", "insignia", m)));
    art.append(marcas);
  }
  if (estado.estilo === "sencillo" || !t.platos.length) {
    const lineas = el("ul", "lineas");
    t.lineas.forEach((l) => lineas.append(el("li", l.rol, l.texto)));
    art.append(lineas);
  } else {
    art.append(platos(t.platos));
  }
  const hecho = el("button", "hecho", "Hecho");
  hecho.type = "button";
  hecho.addEventListener("click", () => marcarHecho(t.id, art));
  art.append(hecho);
  return art;
}

function platos(lista) {
  const ul = el("ul", "platos");
  const dos = lista.some((p) => p.menu) && lista.some((p) => !p.menu);
  let menu = false;
  lista.forEach((p) => {
    if (dos && p.menu && !menu) { menu = true; ul.append(el("li", "seccion", "Menú")); }
    const li = el("li", p.anulado ? "plato anulado" : "plato");
    li.append(el("span", "cantidad", p.cantidad), " ", el("span", "nombre", p.nombre));
    if (p.anulado) li.append(" ", el("span", "rotulo-anulado", "ANULADO"));
    p.extras.forEach((x) => li.append(el("div", "extra", x)));
    ul.append(li);
  });
  return ul;
}

function edades() {
  if (!estado) return;
  const ahora = Date.now() + desfase;
  const reloj = new Date(ahora);
  $("reloj").textContent = String(reloj.getHours()).padStart(2, "0") + ":" + String(reloj.getMinutes()).padStart(2, "0");
  document.querySelectorAll(".tarjeta").forEach((art) => {
    const min = Math.max(0, Math.floor((ahora - Number(art.dataset.llegada)) / 60000));
    art.querySelector(".edad").textContent = min < 1 ? "ahora" : min + " min";
    art.classList.toggle("alarma", min >= estado.alarma_min);
    art.classList.toggle("aviso", min >= estado.aviso_min && min < estado.alarma_min);
  });
}

function enviar(orden, art) {
  return fetch(base + "/" + orden, { method: "POST" }).then((r) => {
    if (!r.ok && art) art.classList.remove("saliendo");
  }).catch(() => { if (art) art.classList.remove("saliendo"); conexion(false); });
}

function marcarHecho(id, art) {
  art.classList.add("saliendo");
  enviar("hecho?id=" + id, art);
}

// Sound: a browser may keep it off until the page is touched once; the
// page says so until then.
function prepararSonido() {
  const Contexto = window.AudioContext || window.webkitAudioContext;
  if (!Contexto) return;
  audio = new Contexto();
  const aviso = () => { $("sonido").hidden = audio.state === "running"; };
  audio.onstatechange = aviso;
  aviso();
  document.addEventListener("pointerdown", () => { if (audio.state !== "running") audio.resume(); }, true);
}

function sonar(veces) {
  if (!audio || audio.state !== "running") return;
  for (let i = 0; i < Math.min(veces, 3); i++) {
    const t = audio.currentTime + i * 0.7;
    [[880, 0], [1320, 0.18]].forEach(([hz, desde]) => {
      const osc = audio.createOscillator();
      const vol = audio.createGain();
      osc.frequency.value = hz;
      vol.gain.setValueAtTime(0.0001, t + desde);
      vol.gain.exponentialRampToValueAtTime(0.6, t + desde + 0.02);
      vol.gain.exponentialRampToValueAtTime(0.0001, t + desde + 0.3);
      osc.connect(vol).connect(audio.destination);
      osc.start(t + desde);
      osc.stop(t + desde + 0.32);
    });
  }
}

$("recuperar").addEventListener("click", () => enviar("recuperar"));
prepararSonido();
conectar();
setInterval(edades, 15000);
</script>
</body>
</html>
)PAGE";

}  // namespace

QByteArray screenPage(const ScreenConfig &screen) {
    QByteArray page(kHead);
    page.replace("@NOMBRE@", screen.name.toHtmlEscaped().toUtf8());
    return page + kScript;
}

}  // namespace tpv
