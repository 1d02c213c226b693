-- Codes of places, typed by a dictionary of code kinds (its rows are added by the installer),
-- and a place's names per interface language. Both go with their place. A place's codes or
-- names are written as a whole: the list sent replaces the place's own.

CREATE TABLE IF NOT EXISTS @SCHEMA@.code_kind (
  kind varchar(20) PRIMARY KEY,
  is_unique integer NOT NULL,
  name_en varchar(255),
  name_ru varchar(255)
);

CREATE TABLE IF NOT EXISTS @SCHEMA@.location_code (
  id_location integer NOT NULL,
  kind varchar(20) NOT NULL,
  code varchar(64) NOT NULL,
  CONSTRAINT "PK_LOCATION_CODE" PRIMARY KEY (id_location, kind, code),
  CONSTRAINT "FK_LOCATION_CODE_LOCATION" FOREIGN KEY (id_location)
    REFERENCES @SCHEMA@.location (id) ON DELETE CASCADE,
  CONSTRAINT "FK_LOCATION_CODE_KIND" FOREIGN KEY (kind) REFERENCES @SCHEMA@.code_kind (kind)
);
CREATE INDEX IF NOT EXISTS location_code_code_idx ON @SCHEMA@.location_code (code, kind);

CREATE TABLE IF NOT EXISTS @SCHEMA@.location_name (
  id_location integer NOT NULL,
  lang varchar(2) NOT NULL,
  name varchar(255) NOT NULL,
  name_key text GENERATED ALWAYS AS (translate(lower(name COLLATE "und-x-icu"), 'ё', 'е')) STORED,
  CONSTRAINT "PK_LOCATION_NAME" PRIMARY KEY (id_location, lang),
  CONSTRAINT "FK_LOCATION_NAME_LOCATION" FOREIGN KEY (id_location)
    REFERENCES @SCHEMA@.location (id) ON DELETE CASCADE
);
CREATE INDEX IF NOT EXISTS location_name_key_idx2
  ON @SCHEMA@.location_name (name_key text_pattern_ops);

-- The two letters of the names the session's user reads, from the user's interface language
-- (9 English, 25 Russian …); NULL where places' names are read as they stand.
CREATE OR REPLACE FUNCTION @SCHEMA@.name_lang()
RETURNS varchar
LANGUAGE plpgsql STABLE AS $body$
BEGIN
  RETURN CASE coalesce((@SCHEMA@.lang_user_row()).apl_lang_id, 25)
           WHEN 7 THEN 'DE' WHEN 9 THEN 'EN' WHEN 10 THEN 'ES' WHEN 12 THEN 'FR'
           WHEN 16 THEN 'IT' WHEN 25 THEN 'RU' WHEN 34 THEN 'UK' END;
END
$body$;

-- "KIND\tcode" or "LANG\tname" lines as pairs.
CREATE OR REPLACE FUNCTION @SCHEMA@.place_pairs(p_list varchar)
RETURNS TABLE (key varchar, value varchar)
LANGUAGE sql IMMUTABLE AS $body$
  SELECT split_part(line, E'\t', 1)::varchar,
         CASE WHEN strpos(line, E'\t') > 0 THEN substr(line, strpos(line, E'\t') + 1) ELSE '' END::varchar
  FROM regexp_split_to_table(p_list, E'\n') AS line
  WHERE line <> ''
$body$;

-- Replaces the codes of a place, each checked first; NULL keeps them.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_replace_codes(p_id integer, p_list varchar)
RETURNS void
LANGUAGE plpgsql AS $body$
DECLARE
  r record;
  v_unique integer;
  v_other record;
BEGIN
  IF p_list IS NULL THEN
    RETURN;
  END IF;
  -- Writers of codes take turns: two sessions cannot both give one unique code away.
  PERFORM pg_advisory_xact_lock(hashtext('qxv.codes.@SCHEMA_NAME@'));
  FOR r IN SELECT * FROM @SCHEMA@.place_pairs(p_list) LOOP
    SELECT is_unique INTO v_unique FROM @SCHEMA@.code_kind WHERE kind = r.key;
    IF NOT FOUND THEN
      RAISE EXCEPTION 'ORA-20003: Неизвестный вид кода: %', r.key;
    END IF;
    IF btrim(r.value) = '' OR r.value ~ E'[\t\r\n]' THEN
      RAISE EXCEPTION 'ORA-20003: Пустой код: %', r.key;
    END IF;
    IF length(r.value) > 64 THEN
      RAISE EXCEPTION 'ORA-12899: value too large for column CODE (actual: %, maximum: 64)',
        length(r.value);
    END IF;
    IF v_unique = 1 THEN
      SELECT l.id, l.name INTO v_other
      FROM @SCHEMA@.location_code c JOIN @SCHEMA@.location l ON l.id = c.id_location
      WHERE c.code = r.value AND c.kind = r.key AND c.id_location <> p_id
      LIMIT 1;
      IF FOUND THEN
        RAISE EXCEPTION 'ORA-20003: Код принадлежит другому местоположению: % %, «%» (%)',
          r.key, r.value, v_other.name, v_other.id;
      END IF;
    END IF;
  END LOOP;
  DELETE FROM @SCHEMA@.location_code WHERE id_location = p_id;
  INSERT INTO @SCHEMA@.location_code (id_location, kind, code)
  SELECT DISTINCT p_id, key, value FROM @SCHEMA@.place_pairs(p_list);
END
$body$;

-- Replaces the names per language of a place, each checked first; NULL keeps them.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_replace_names(p_id integer, p_list varchar)
RETURNS void
LANGUAGE plpgsql AS $body$
DECLARE
  r record;
BEGIN
  IF p_list IS NULL THEN
    RETURN;
  END IF;
  FOR r IN SELECT * FROM @SCHEMA@.place_pairs(p_list) LOOP
    IF r.key !~ '^[A-Z]{2}$' THEN
      RAISE EXCEPTION 'ORA-20003: Неизвестный язык имени: %', r.key;
    END IF;
    IF btrim(r.value) = '' OR r.value ~ E'[\t\r\n]' THEN
      RAISE EXCEPTION 'ORA-20003: Пустое имя на языке: %', r.key;
    END IF;
  END LOOP;
  DELETE FROM @SCHEMA@.location_name WHERE id_location = p_id;
  INSERT INTO @SCHEMA@.location_name (id_location, lang, name)
  SELECT p_id, key, value FROM @SCHEMA@.place_pairs(p_list)
  ON CONFLICT (id_location, lang) DO UPDATE SET name = excluded.name;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_T#CODE_KIND"()
RETURNS TABLE ("KIND" varchar, "NAME" varchar, "IS_UNIQUE" integer)
LANGUAGE sql STABLE AS $body$
  SELECT k.kind, coalesce(CASE WHEN @SCHEMA@.name_lang() = 'EN' THEN k.name_en ELSE k.name_ru END,
                          k.kind)::varchar,
         k.is_unique
  FROM @SCHEMA@.code_kind k ORDER BY k.kind
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_T#LOCATION_CODE"("PID" integer)
RETURNS TABLE ("KIND" varchar, "CODE" varchar)
LANGUAGE sql STABLE AS $body$
  SELECT c.kind, c.code FROM @SCHEMA@.location_code c WHERE c.id_location = @SCHEMA@.place("PID")
  ORDER BY c.kind, c.code COLLATE "C"
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_T#LOCATION_NAME"("PID" integer)
RETURNS TABLE ("LANG" varchar, "NAME" varchar)
LANGUAGE sql STABLE AS $body$
  SELECT n.lang, n.name FROM @SCHEMA@.location_name n WHERE n.id_location = @SCHEMA@.place("PID")
  ORDER BY n.lang
$body$;

-- A place's codes (p_codes) or names per language replaced under the edit right, on the
-- record; -1 for no such place.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_set_list(p_id integer, p_list varchar, p_codes boolean)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_id integer := @SCHEMA@.place(p_id);
  v_journal jsonb;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[3]);
  PERFORM 1 FROM @SCHEMA@.location WHERE id = v_id FOR UPDATE;
  IF NOT FOUND THEN
    RETURN -1;
  END IF;
  v_journal := @SCHEMA@.journal_open('PLACE', 'EDIT', ARRAY[v_id]);
  IF p_codes THEN
    PERFORM @SCHEMA@.location_replace_codes(v_id, p_list);
  ELSE
    PERFORM @SCHEMA@.location_replace_names(v_id, p_list);
  END IF;
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN 1;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.SET_T#LOCATION_CODES"("PID" integer, "PCODES" varchar)
RETURNS integer
LANGUAGE sql AS $body$
  SELECT @SCHEMA@.location_set_list("PID", "PCODES", true)
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.SET_T#LOCATION_NAMES"("PID" integer, "PNAMES" varchar)
RETURNS integer
LANGUAGE sql AS $body$
  SELECT @SCHEMA@.location_set_list("PID", "PNAMES", false)
$body$;
