-- The Kelvara catalogue on a PostgreSQL server: the same four tables and indexes as
-- schema.sql, so that the program's statements run unchanged.
--
-- Texts compare and sort byte for byte (COLLATE "C"), as in the catalogue file, so lists
-- come in the same order. Prices are numeric (a price typed 12.50 reads back 12.50) and the
-- column flags integers. An insert that gives NULL for an id gets the table's next id from
-- a sequence, as SQLite gives the next row id; an insert that gives an id (a copied
-- catalogue) moves the sequence past it.

CREATE TABLE marki (
    id_marki bigint PRIMARY KEY,
    marka    text COLLATE "C"
);

CREATE TABLE modele (
    id_modelu bigint PRIMARY KEY,
    id_marki  bigint,
    model     text COLLATE "C"
);

CREATE TABLE kompresory (
    id_kompresora bigint PRIMARY KEY,
    id_modelu     bigint,
    pojemnosc     text COLLATE "C",
    od            text COLLATE "C",
    "do"          text COLLATE "C",
    typ           text COLLATE "C",
    nr_f_s        text COLLATE "C",
    nrkv          text COLLATE "C",
    cena_zakl     numeric,
    kaucja_sku    numeric,
    netto         numeric
);

CREATE TABLE kolumny (
    manufacturer integer,
    capacity     integer,
    year         integer,
    type         integer,
    common       integer,
    kelvara      integer,
    jobber       integer,
    deposit      integer,
    price        integer
);

INSERT INTO kolumny (manufacturer, capacity, year, type, common, kelvara, jobber, deposit, price)
VALUES (1, 1, 1, 1, 1, 1, 1, 1, 1);

CREATE SEQUENCE marki_id_seq;
CREATE SEQUENCE modele_id_seq;
CREATE SEQUENCE kompresory_id_seq;

-- One trigger function serves the three tables: TG_ARGV names the id column and its sequence,
-- which sits in the table's schema. It runs as whoever inserts, so it sees only pg_catalog
-- (pg_temp last) and names what it calls there: no function or table another database user
-- creates can stand in for them.
CREATE FUNCTION catalogue_next_id() RETURNS trigger LANGUAGE plpgsql
    SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    id_column text := TG_ARGV[0];
    id_sequence regclass := pg_catalog.format('%I.%I', TG_TABLE_SCHEMA, TG_ARGV[1])::regclass;
    given bigint := pg_catalog.to_jsonb(NEW) OPERATOR(pg_catalog.->>) id_column;
BEGIN
    IF given IS NULL THEN
        NEW := pg_catalog.jsonb_populate_record(NEW,
                   pg_catalog.jsonb_build_object(id_column, pg_catalog.nextval(id_sequence)));
    ELSIF given OPERATOR(pg_catalog.>=) coalesce(pg_catalog.pg_sequence_last_value(id_sequence), 0) THEN
        PERFORM pg_catalog.setval(id_sequence, given);
    END IF;
    RETURN NEW;
END $$;

CREATE TRIGGER marki_id BEFORE INSERT ON marki
    FOR EACH ROW EXECUTE FUNCTION catalogue_next_id('id_marki', 'marki_id_seq');
CREATE TRIGGER modele_id BEFORE INSERT ON modele
    FOR EACH ROW EXECUTE FUNCTION catalogue_next_id('id_modelu', 'modele_id_seq');
CREATE TRIGGER kompresory_id BEFORE INSERT ON kompresory
    FOR EACH ROW EXECUTE FUNCTION catalogue_next_id('id_kompresora', 'kompresory_id_seq');

-- Searches: manufacturer by name, a manufacturer's models, a model's compressors, type.
CREATE INDEX idx_marki_marka       ON marki (marka);
CREATE INDEX idx_modele_marki      ON modele (id_marki, model);
CREATE INDEX idx_modele_model      ON modele (model);
CREATE INDEX idx_kompresory_modelu ON kompresory (id_modelu);
CREATE INDEX idx_kompresory_typ    ON kompresory (typ);

-- Foreign keys: no model without its manufacturer, no compressor without its model. A removal
-- and another counter's insert under the same parent cannot both succeed. Deferrable, so
-- that a copy can load all tables before they are checked; the program's statements are
-- checked one by one. 'kelvara-db constrain' adds this part to a catalogue made without it.
ALTER TABLE modele ADD CONSTRAINT modele_id_marki_fkey
    FOREIGN KEY (id_marki) REFERENCES marki (id_marki) DEFERRABLE;
ALTER TABLE kompresory ADD CONSTRAINT kompresory_id_modelu_fkey
    FOREIGN KEY (id_modelu) REFERENCES modele (id_modelu) DEFERRABLE;
