-- The Kelvara catalogue: manufacturers, their car models, the compressors fitted to each
-- model, and the one row of result-list column settings.
--
-- Descriptive values and prices are TEXT so that a value bound as text (CSV import,
-- migration of an old catalogue) keeps its exact bytes; a price written bare by the
-- program is still stored as SQLite prints that number.

CREATE TABLE Marki (
    id_marki INTEGER PRIMARY KEY,
    marka    TEXT
);

CREATE TABLE Modele (
    id_modelu INTEGER PRIMARY KEY,
    id_marki  INTEGER,
    model     TEXT
);

CREATE TABLE kompresory (
    id_kompresora INTEGER PRIMARY KEY,
    id_modelu     INTEGER,
    pojemnosc     TEXT,
    od            TEXT,
    do            TEXT,
    typ           TEXT,
    nr_f_s        TEXT,
    nrkv          TEXT,
    cena_zakl     TEXT,
    kaucja_sku    TEXT,
    netto         TEXT
);

CREATE TABLE kolumny (
    manufacturer TEXT,
    capacity     TEXT,
    year         TEXT,
    type         TEXT,
    common       TEXT,
    kelvara      TEXT,
    jobber       TEXT,
    deposit      TEXT,
    price        TEXT
);

INSERT INTO kolumny (manufacturer, capacity, year, type, common, kelvara, jobber, deposit, price)
VALUES ('1', '1', '1', '1', '1', '1', '1', '1', '1');

-- Searches: manufacturer by name, a manufacturer's models, a model's compressors, type.
CREATE INDEX idx_marki_marka       ON Marki (marka);
CREATE INDEX idx_modele_marki      ON Modele (id_marki, model);
CREATE INDEX idx_modele_model      ON Modele (model);
CREATE INDEX idx_kompresory_modelu ON kompresory (id_modelu);
CREATE INDEX idx_kompresory_typ    ON kompresory (typ);
