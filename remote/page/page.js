'use strict';
// The remote page: one channel at a time, every control named by its
// parameter (data-param) and holding its value in the panels' units
// (data-value, and the text boxes' text). The program checks and stores
// every edit and tells every page what the record now holds.
(function () {
  const token = new URLSearchParams(location.search).get('token') || '';
  const values = {}; // parameter name -> text form
  const controls = {}; // parameter name -> [update(text)]
  let info = null; // tables, slopes and limits from the program
  let socket = null;
  let retries = 0;
  let linkUp = false;
  let stale = false; // the program no longer knows this page's token
  let processor = false;
  let pages = 0;
  let shown = 'output.1';
  let curveOutputs = [1];
  let curveTimer = 0;
  let errorTimer = 0;
  const curveColours = ['#ff0000', '#ffff00', '#32cd32', '#00ffff', '#ffa500', '#1e90ff'];

  const $ = (id) => document.getElementById(id);

  function el(tag, attrs, ...children) {
    const e = document.createElement(tag);
    for (const [k, v] of Object.entries(attrs || {})) {
      if (k === 'text') e.textContent = v;
      else if (k.startsWith('on')) e.addEventListener(k.slice(2), v);
      else e.setAttribute(k, v);
    }
    for (const c of children) if (c) e.append(c);
    return e;
  }

  // --- the link to the program -------------------------------------------
  function connect() {
    const ws = new WebSocket('ws://' + location.host + '/ws?token=' + encodeURIComponent(token));
    socket = ws;
    ws.onopen = () => { retries = 0; };
    ws.onmessage = (event) => {
      let message;
      try { message = JSON.parse(event.data); } catch (e) { return; }
      receive(message);
    };
    ws.onclose = () => {
      socket = null;
      linkUp = false;
      showLink();
      later(reconnect);
    };
  }

  function later(step) {
    retries += 1;
    setTimeout(step, Math.min(5000, 500 * retries));
  }

  // A program started again has a new token: a page that kept trying the
  // old one would count as a guesser and make its own phone wait. Asking for
  // the page first tells a stale token (401, or 429 already) from a program
  // that is not there (no answer) or full (the page itself is served).
  function reconnect() {
    fetch(location.pathname + location.search, { cache: 'no-store' }).then((answer) => {
      if (answer.status === 401 || answer.status === 429) {
        stale = true;
        showLink();
      } else {
        connect();
      }
    }, () => later(reconnect));
  }

  function send(message) {
    if (socket && socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(message));
  }

  // Keeps the connection from counting as idle while the page is open.
  setInterval(() => send({ type: 'ping' }), 60000);

  function receive(m) {
    if (m.type === 'state') {
      info = m;
      Object.assign(values, m.values);
      linkUp = true;
      processor = m.connected;
      pages = m.clients;
      showLink();
      buildNav();
      render();
    } else if (m.type === 'changes') {
      let outputs = false;
      for (const [name, text] of Object.entries(m.values)) {
        values[name] = text;
        for (const update of controls[name] || []) update(text);
        if (name.endsWith('.name')) buildNav();
        if (name.startsWith('output.')) outputs = true;
      }
      if (outputs) requestCurve();
    } else if (m.type === 'status') {
      processor = m.connected;
      pages = m.clients;
      showLink();
    } else if (m.type === 'curve') {
      drawCurve(m);
    } else if (m.type === 'error') {
      const box = $('error');
      box.textContent = m.message;
      box.hidden = false;
      clearTimeout(errorTimer);
      errorTimer = setTimeout(() => { box.hidden = true; }, 5000);
    }
  }

  function showLink() {
    const link = $('link');
    const ok = linkUp && processor;
    link.className = ok ? 'link' : 'link down';
    link.textContent = stale ? 'this address has expired: open the one the program shows now'
      : !linkUp ? 'no link to the program: reconnecting…'
      : !processor ? 'not connected to a processor'
        : 'connected · ' + pages + (pages === 1 ? ' page' : ' pages');
  }

  // Sends an edit; the control shows the typed text until the program answers.
  function set(name, text) {
    values[name] = text;
    send({ type: 'set', param: name, value: text });
  }

  function bind(name, update) {
    (controls[name] = controls[name] || []).push(update);
    update(values[name] || '');
  }

  // --- controls -------------------------------------------------------------
  // A slider and a text box for one number. steps: a table of text forms to
  // step through (frequencies, bandwidths), or [min, max, step].
  function numberField(label, name, unit, steps) {
    const table = typeof steps[0] === 'string' ? steps : null;
    const slider = el('input', { type: 'range', 'data-param': name, 'aria-label': label });
    if (table) {
      slider.min = 0; slider.max = table.length - 1; slider.step = 1;
    } else {
      slider.min = steps[0]; slider.max = steps[1]; slider.step = steps[2];
    }
    const box = el('input', { type: 'text', inputmode: 'decimal', 'data-param': name, 'aria-label': label });
    const decimals = table ? 0 : (String(steps[2]).split('.')[1] || '').length;
    const sliderText = () => table ? table[slider.value] : String(parseFloat(Number(slider.value).toFixed(decimals)));
    // The last table entry not above the value, as the panels' sliders do.
    const place = (text) => {
      const v = parseFloat(text);
      if (isNaN(v)) return;
      if (table) {
        let i = 0;
        while (i + 1 < table.length && parseFloat(table[i + 1]) <= v) i += 1;
        slider.value = i;
      } else {
        slider.value = v;
      }
    };
    let dragging = false;
    let lastSent = 0;
    let pending = 0;
    const sendSlider = () => {
      const text = sliderText();
      slider.dataset.value = text;
      box.value = text;
      set(name, text);
      lastSent = Date.now();
    };
    slider.addEventListener('pointerdown', () => { dragging = true; });
    slider.addEventListener('input', () => {
      // While a thumb moves, at most one edit each 60 ms, and the last one always.
      clearTimeout(pending);
      const wait = 60 - (Date.now() - lastSent);
      if (wait <= 0) sendSlider(); else pending = setTimeout(sendSlider, wait);
    });
    slider.addEventListener('change', () => { clearTimeout(pending); sendSlider(); dragging = false; });
    slider.addEventListener('pointerup', () => { dragging = false; });
    box.addEventListener('change', () => set(name, box.value.trim()));
    box.addEventListener('keydown', (e) => { if (e.key === 'Enter') box.blur(); });
    bind(name, (text) => {
      slider.dataset.value = text;
      box.dataset.value = text;
      if (document.activeElement !== box) box.value = text;
      if (!dragging) place(text);
    });
    return el('div', { class: 'field' }, el('label', { text: label }), slider,
      el('span', { class: 'row' }, box, el('span', { class: 'unit', text: unit })));
  }

  // A button that is on or off: the two text forms of the parameter.
  function toggle(label, name, onText, offText) {
    const button = el('button', { type: 'button', 'data-param': name, text: label });
    button.addEventListener('click', () => {
      const text = values[name] === onText ? offText : onText;
      set(name, text);
      show(text);
    });
    const show = (text) => {
      button.dataset.value = text;
      button.setAttribute('aria-pressed', text === onText ? 'true' : 'false');
    };
    bind(name, show);
    return button;
  }

  function choice(label, name, options) {
    const select = el('select', { 'data-param': name, 'aria-label': label });
    const fill = (list) => {
      select.replaceChildren(...list.map((o) => el('option', { value: o, text: o })));
    };
    fill(options(values[name]));
    select.addEventListener('change', () => set(name, select.value));
    bind(name, (text) => {
      if (![...select.options].some((o) => o.value === text)) fill(options(text).concat(text));
      select.value = text;
      select.dataset.value = text;
    });
    return { select, fill };
  }

  // --- the channel picker and the channel's controls -----------------------
  const channelList = () => ['A', 'B', 'C'].map((c) => 'input.' + c).concat([1, 2, 3, 4, 5, 6].map((n) => 'output.' + n));

  function buildNav() {
    const nav = $('channels');
    nav.replaceChildren(...channelList().map((channel) => {
      const b = el('button', { type: 'button', 'data-channel': channel, 'aria-pressed': String(channel === shown) },
        channel.split('.')[1], el('small', { text: values[channel + '.name'] || '' }));
      b.addEventListener('click', () => {
        shown = channel;
        if (channel.startsWith('output.')) curveOutputs = [Number(channel.split('.')[1])];
        buildNav();
        render();
      });
      return b;
    }));
  }

  function render() {
    for (const k of Object.keys(controls)) delete controls[k];
    const main = $('channel');
    const l = info.limits;
    const output = shown.startsWith('output.');
    const n = (part) => shown + '.' + part;
    const title = (output ? 'Output ' : 'Input ') + shown.split('.')[1];

    const channel = el('section', {}, el('h2', { text: title + ' · ' + (values[n('name')] || '') }),
      numberField('Gain', n('gain'), 'dB', [l.gain[0], l.gain[1], 0.1]));
    if (output) {
      channel.append(el('div', { class: 'toggles' },
        toggle('Mute', n('mute'), 'on', 'off'), toggle('Phase inverted', n('phase'), 'inverted', 'normal')));
      channel.append(numberField('Limiter', n('limiter'), 'dB', [l.limiter[0], l.limiter[1], 1]));
    }
    channel.append(numberField('Delay', n('delay'), 'ms', [l.delay[0], l.delay[1], l.delayStep]));

    const sections = [channel];
    if (output) {
      sections.push(el('section', {}, el('h2', { text: 'Routing' }),
        el('div', { class: 'toggles' }, ...['A', 'B', 'C'].map((i) => toggle('Input ' + i, n('route.' + i), 'on', 'off')))));
    }
    const bands = el('div', { class: 'bands' });
    for (let b = 1; b <= (output ? 4 : 6); b += 1) {
      const p = n('band.' + b);
      bands.append(el('div', { class: 'band' }, el('h3', { text: 'Band ' + b }),
        numberField('Gain', p + '.gain', 'dB', [l.bandGain[0], l.bandGain[1], 0.1]),
        numberField('Freq', p + '.freq', 'Hz', info.tables.freq),
        numberField('Width', p + '.bw', 'oct', info.tables.bw)));
    }
    sections.push(el('section', {}, el('h2', { text: 'EQ bands' }), bands));
    if (output) {
      const cuts = el('section', {}, el('h2', { text: 'Cut filters' }));
      for (const [cut, label] of [['lowcut', 'Low cut'], ['highcut', 'High cut']]) {
        const slope = choice(label + ' slope', n(cut + '.slope'), () => info.slopes[values[n(cut + '.type')]] || []);
        const type = choice(label + ' type', n(cut + '.type'), () => Object.keys(info.slopes));
        bind(n(cut + '.type'), (t) => {
          const offered = info.slopes[t] || [];
          slope.fill(offered);
          slope.select.value = values[n(cut + '.slope')];
        });
        cuts.append(el('div', { class: 'cut' }, el('span', { text: label }), type.select, slope.select),
          numberField('Freq', n(cut + '.freq'), 'Hz', info.tables.freq));
      }
      sections.push(cuts);
    }
    main.replaceChildren(...sections);
    buildCurveOutputs();
    requestCurve();
  }

  // --- the response curve, computed by the program ------------------------
  function buildCurveOutputs() {
    $('curve-outputs').replaceChildren(...[1, 2, 3, 4, 5, 6].map((o) => {
      const b = el('button', { type: 'button', 'data-curve': String(o), 'aria-pressed': String(curveOutputs.includes(o)),
        style: 'border-bottom: 4px solid ' + curveColours[o - 1] }, String(o));
      b.addEventListener('click', () => {
        curveOutputs = curveOutputs.includes(o) ? curveOutputs.filter((x) => x !== o) : curveOutputs.concat(o).sort();
        buildCurveOutputs();
        requestCurve();
      });
      return b;
    }));
  }

  function requestCurve() {
    clearTimeout(curveTimer);
    curveTimer = setTimeout(() => send({ type: 'curve', outputs: curveOutputs }), 80);
  }

  function drawCurve(m) {
    const canvas = $('curve');
    const ratio = window.devicePixelRatio || 1;
    const w = canvas.clientWidth;
    const h = canvas.clientHeight;
    canvas.width = Math.round(w * ratio);
    canvas.height = Math.round(h * ratio);
    const g = canvas.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    g.fillStyle = '#000';
    g.fillRect(0, 0, w, h);
    const top = 24;
    const x = (hz) => 28 + (w - 32) * Math.log10(hz / 20) / 3;
    const y = (db) => 4 + (h - 22) * (top - Math.max(-top, Math.min(top, db))) / (2 * top);
    g.strokeStyle = '#8c8c8c';
    g.fillStyle = '#8c8c8c';
    g.font = '10px sans-serif';
    g.lineWidth = 1;
    for (const hz of [20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000]) {
      g.beginPath(); g.moveTo(x(hz), y(top)); g.lineTo(x(hz), y(-top)); g.stroke();
      g.fillText(hz >= 1000 ? hz / 1000 + 'k' : String(hz), x(hz) - 8, h - 4);
    }
    for (let db = -18; db <= 18; db += 6) {
      g.beginPath(); g.moveTo(x(20), y(db)); g.lineTo(x(20000), y(db)); g.stroke();
      g.fillText(String(db), 2, y(db) + 3);
    }
    g.lineWidth = 2;
    m.outputs.forEach((o, k) => {
      g.strokeStyle = curveColours[o - 1];
      g.beginPath();
      m.points.forEach((p, i) => { if (i === 0) g.moveTo(x(p[0]), y(p[k + 1])); else g.lineTo(x(p[0]), y(p[k + 1])); });
      g.stroke();
    });
    canvas.dataset.outputs = m.outputs.join(',');
  }

  showLink();
  connect();
})();
