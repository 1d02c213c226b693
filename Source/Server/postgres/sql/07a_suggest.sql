-- The few places a text typed so far names, and the index of name words that finds them.
-- Every key a place is found by (its name, its names per language, its codes, and each of
-- those from the start of each further word) is a row of location_word under the place's
-- level. A suggestion walks that index a level at a time, the top levels first, and stops at
-- the rows it returns: a text that starts a million names costs what one that starts twenty
-- does.

CREATE TABLE IF NOT EXISTS @SCHEMA@.location_word (
  level_no integer NOT NULL,
  word_key text COLLATE "C" NOT NULL,
  whole boolean NOT NULL,
  id_location integer NOT NULL,
  CONSTRAINT "PK_LOCATION_WORD" PRIMARY KEY (level_no, word_key, whole, id_location)
);
DO $word_place$
BEGIN
  IF to_regclass('@SCHEMA@.location_word_place_idx') IS NULL THEN
    CREATE INDEX location_word_place_idx ON @SCHEMA@.location_word (id_location);
  END IF;
END
$word_place$;

CREATE OR REPLACE FUNCTION @SCHEMA@.code_key(p_code text)
RETURNS text
LANGUAGE sql IMMUTABLE AS $body$
  SELECT lower(p_code COLLATE "und-x-icu")
$body$;

-- A name's search key from the start of each word: the whole key first, then the rest of it
-- after each run of separators.
CREATE OR REPLACE FUNCTION @SCHEMA@.search_words(p_key text)
RETURNS TABLE (word text, whole boolean)
LANGUAGE sql IMMUTABLE AS $body$
  SELECT substr(p_key, i), i = 1
  FROM generate_series(1, length(p_key)) i
  WHERE i = 1 OR (strpos(' -().,/"«»', substr(p_key, i - 1, 1)) > 0
                  AND strpos(' -().,/"«»', substr(p_key, i, 1)) = 0)
$body$;

-- The words of one key of a place: a name split, a code whole.
CREATE OR REPLACE FUNCTION @SCHEMA@.key_words(p_key text, p_is_code boolean)
RETURNS TABLE (word text, whole boolean)
LANGUAGE sql IMMUTABLE AS $body$
  SELECT w.word, w.whole FROM @SCHEMA@.search_words(p_key) w WHERE NOT p_is_code OR w.whole
$body$;

-- The words of one place: its name, its names per language, its codes and the names of the
-- places merged into it.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_words_of(p_id integer)
RETURNS TABLE (level_no integer, word_key text, whole boolean, id_location integer)
LANGUAGE sql STABLE AS $body$
  SELECT DISTINCT t.level_no, w.word, w.whole, k.id
  FROM (SELECT l.id, l.id_locattype, l.name_key AS key, false AS is_code
        FROM @SCHEMA@.location l WHERE l.id = p_id
        UNION SELECT l.id, l.id_locattype, n.name_key, false
        FROM @SCHEMA@.location_name n JOIN @SCHEMA@.location l ON l.id = n.id_location
        WHERE n.id_location = p_id
        UNION SELECT l.id, l.id_locattype, @SCHEMA@.code_key(c.code), true
        FROM @SCHEMA@.location_code c JOIN @SCHEMA@.location l ON l.id = c.id_location
        WHERE c.id_location = p_id
        UNION SELECT l.id, l.id_locattype, r.name_key, false
        FROM @SCHEMA@.location_redirect r JOIN @SCHEMA@.location l ON l.id = r.id_target
        WHERE r.id_target = p_id AND r.name_key IS NOT NULL) k
  JOIN @SCHEMA@.locattype t ON t.id = k.id_locattype
  CROSS JOIN LATERAL @SCHEMA@.key_words(k.key, k.is_code) w
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@.location_words_refresh(p_id integer)
RETURNS void
LANGUAGE sql AS $body$
  DELETE FROM @SCHEMA@.location_word WHERE id_location = p_id;
  INSERT INTO @SCHEMA@.location_word (level_no, word_key, whole, id_location)
  SELECT * FROM @SCHEMA@.location_words_of(p_id)
  ON CONFLICT DO NOTHING;
$body$;

-- Kept by the rows it reads: whoever changes a place, its names or its codes (the routines,
-- the import) changes its words in the same unit of work. A change or a removal remakes the
-- place's words a row at a time; added rows bring their words for the whole statement at
-- once, so that a batch of thousands of places costs one INSERT … SELECT, not a call a row.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_words_keep()
RETURNS trigger
LANGUAGE plpgsql AS $body$
BEGIN
  IF TG_TABLE_NAME = 'location' THEN
    IF TG_OP = 'DELETE' THEN
      DELETE FROM @SCHEMA@.location_word WHERE id_location = OLD.id;
    ELSE
      PERFORM @SCHEMA@.location_words_refresh(NEW.id);
    END IF;
    RETURN NULL;
  END IF;
  PERFORM @SCHEMA@.location_words_refresh(OLD.id_location);
  IF TG_OP = 'UPDATE' AND NEW.id_location <> OLD.id_location THEN
    PERFORM @SCHEMA@.location_words_refresh(NEW.id_location);
  END IF;
  RETURN NULL;
END
$body$;

-- A place's words are the union of its keys' words, so the words of added keys join the
-- place's without remaking the rest.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_words_add()
RETURNS trigger
LANGUAGE plpgsql AS $body$
BEGIN
  IF TG_TABLE_NAME = 'location' THEN
    INSERT INTO @SCHEMA@.location_word (level_no, word_key, whole, id_location)
    SELECT DISTINCT t.level_no, w.word, w.whole, a.id
    FROM added a JOIN @SCHEMA@.locattype t ON t.id = a.id_locattype
    CROSS JOIN LATERAL @SCHEMA@.key_words(a.name_key, false) w
    ON CONFLICT DO NOTHING;
  ELSIF TG_TABLE_NAME = 'location_name' THEN
    INSERT INTO @SCHEMA@.location_word (level_no, word_key, whole, id_location)
    SELECT DISTINCT t.level_no, w.word, w.whole, l.id
    FROM added a JOIN @SCHEMA@.location l ON l.id = a.id_location
    JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
    CROSS JOIN LATERAL @SCHEMA@.key_words(a.name_key, false) w
    ON CONFLICT DO NOTHING;
  ELSE
    INSERT INTO @SCHEMA@.location_word (level_no, word_key, whole, id_location)
    SELECT DISTINCT t.level_no, w.word, w.whole, l.id
    FROM added a JOIN @SCHEMA@.location l ON l.id = a.id_location
    JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
    CROSS JOIN LATERAL @SCHEMA@.key_words(@SCHEMA@.code_key(a.code), true) w
    ON CONFLICT DO NOTHING;
  END IF;
  RETURN NULL;
END
$body$;

-- Filled from the places the first time, then kept by the triggers (made again on each
-- install, so that a schema made with the row triggers alone gets the statement ones).
DO $words$
BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_trigger WHERE tgrelid = '@SCHEMA@.location'::regclass
                 AND tgname = 'location_words') THEN
    INSERT INTO @SCHEMA@.location_word
    SELECT w.* FROM @SCHEMA@.location l CROSS JOIN LATERAL @SCHEMA@.location_words_of(l.id) w
    ON CONFLICT DO NOTHING;
  END IF;
  DROP TRIGGER IF EXISTS location_words ON @SCHEMA@.location;
  DROP TRIGGER IF EXISTS location_name_words ON @SCHEMA@.location_name;
  DROP TRIGGER IF EXISTS location_code_words ON @SCHEMA@.location_code;
  DROP TRIGGER IF EXISTS location_words_added ON @SCHEMA@.location;
  DROP TRIGGER IF EXISTS location_name_words_added ON @SCHEMA@.location_name;
  DROP TRIGGER IF EXISTS location_code_words_added ON @SCHEMA@.location_code;
  CREATE TRIGGER location_words AFTER DELETE OR UPDATE OF name, id_locattype
    ON @SCHEMA@.location FOR EACH ROW EXECUTE FUNCTION @SCHEMA@.location_words_keep();
  CREATE TRIGGER location_name_words AFTER UPDATE OR DELETE
    ON @SCHEMA@.location_name FOR EACH ROW EXECUTE FUNCTION @SCHEMA@.location_words_keep();
  CREATE TRIGGER location_code_words AFTER UPDATE OR DELETE
    ON @SCHEMA@.location_code FOR EACH ROW EXECUTE FUNCTION @SCHEMA@.location_words_keep();
  CREATE TRIGGER location_words_added AFTER INSERT ON @SCHEMA@.location
    REFERENCING NEW TABLE AS added
    FOR EACH STATEMENT EXECUTE FUNCTION @SCHEMA@.location_words_add();
  CREATE TRIGGER location_name_words_added AFTER INSERT ON @SCHEMA@.location_name
    REFERENCING NEW TABLE AS added
    FOR EACH STATEMENT EXECUTE FUNCTION @SCHEMA@.location_words_add();
  CREATE TRIGGER location_code_words_added AFTER INSERT ON @SCHEMA@.location_code
    REFERENCING NEW TABLE AS added
    FOR EACH STATEMENT EXECUTE FUNCTION @SCHEMA@.location_words_add();
END
$words$;

-- The best places whose name (any language the place has) or code begins with the text, or
-- has a word that does: the places of PFIRST (ids, comma-separated: the user's own) that
-- match, then exact names, then the rest, each group from the top level down and in the
-- order of the index; each with its type and its address path.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.SUGGEST_T#LOCATION"(
  "PTEXT" varchar, "PLIMIT" integer DEFAULT NULL, "PSEPARATOR" varchar DEFAULT NULL,
  "PFIRST" varchar DEFAULT NULL)
RETURNS TABLE ("ID" integer, "NAME" varchar, "ABBREV_SNAME" varchar, "ABBREV_NAME" varchar,
               "LEVEL#" integer, "ID_PARENT" integer, "PATH" text)
LANGUAGE plpgsql STABLE
SET jit = off
AS $body$
DECLARE
  k text := translate(lower(btrim(coalesce("PTEXT", '')) COLLATE "und-x-icu"), 'ё', 'е');
  hi text;
  n integer := least(greatest(coalesce("PLIMIT", 20), 1), 100);
  sep text := coalesce("PSEPARATOR", '. ');
  sep_after_stop text := CASE WHEN left(sep, 1) = '.' THEN substr(sep, 2) ELSE sep END;
  v_lang varchar := @SCHEMA@.name_lang();
  hits integer[];
  got integer[];
  lv integer;
  room integer;
BEGIN
  IF k = '' THEN
    RETURN;
  END IF;
  hi := k || chr(1114111);
  hits := ARRAY(
    SELECT p.id FROM (SELECT btrim(x)::integer AS id, min(o) AS o
                      FROM unnest(string_to_array(coalesce("PFIRST", ''), ',')) WITH ORDINALITY s(x, o)
                      WHERE btrim(x) ~ '^[0-9]{1,9}$' GROUP BY 1) p
    WHERE EXISTS (SELECT 1 FROM @SCHEMA@.location_word w
                  WHERE w.id_location = p.id AND w.word_key >= k AND w.word_key < hi)
    ORDER BY p.o LIMIT n);
  FOR lv IN SELECT DISTINCT t.level_no FROM @SCHEMA@.locattype t ORDER BY 1 LOOP
    EXIT WHEN cardinality(hits) >= n;
    hits := hits || ARRAY(
      SELECT w.id_location FROM @SCHEMA@.location_word w
      WHERE w.level_no = lv AND w.word_key = k AND w.whole AND w.id_location <> ALL (hits)
      ORDER BY w.id_location LIMIT n - cardinality(hits));
  END LOOP;
  FOR lv IN SELECT DISTINCT t.level_no FROM @SCHEMA@.locattype t ORDER BY 1 LOOP
    room := n - cardinality(hits);
    -- A place found by several of its words comes back more than once: a batch short of
    -- new places is read again with room for them.
    WHILE room > 0 LOOP
      got := ARRAY(
        SELECT w.id_location FROM @SCHEMA@.location_word w
        WHERE w.level_no = lv AND w.word_key >= k AND w.word_key < hi
          AND w.id_location <> ALL (hits)
        ORDER BY w.word_key, w.whole, w.id_location LIMIT room);
      hits := hits || ARRAY(SELECT g.id FROM unnest(got) WITH ORDINALITY g(id, o)
                            GROUP BY g.id ORDER BY min(g.o) LIMIT n - cardinality(hits));
      EXIT WHEN cardinality(got) < room OR cardinality(hits) >= n;
      room := room * 4;
    END LOOP;
  END LOOP;
  RETURN QUERY
  WITH RECURSIVE up (hit, o, id, depth) AS (
    SELECT h.id, h.o, h.id, 0 FROM unnest(hits) WITH ORDINALITY h(id, o)
    UNION ALL
    SELECT up.hit, up.o, l.id_parent, up.depth + 1
    FROM up JOIN @SCHEMA@.location l ON l.id = up.id
    WHERE l.id_parent IS NOT NULL AND up.depth < 10000
  ), named AS (
    SELECT up.hit, up.o, up.depth, l.id_parent, coalesce(nm.name, l.name) AS name, a.sname,
           a.name AS aname, t.level_no,
           CASE WHEN coalesce(a.sname, '') = '' THEN coalesce(nm.name, l.name)::text
                ELSE a.sname || CASE WHEN right(a.sname, 1) = '.' THEN sep_after_stop ELSE sep END
                     || coalesce(nm.name, l.name) END AS caption
    FROM up JOIN @SCHEMA@.location l ON l.id = up.id
    JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
    JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
    LEFT JOIN @SCHEMA@.location_name nm ON nm.id_location = l.id AND nm.lang = v_lang
  )
  SELECT h.hit, h.name, h.sname, h.aname, h.level_no, h.id_parent,
         (SELECT string_agg(p.caption, '\' ORDER BY p.depth DESC) FROM named p WHERE p.hit = h.hit)
  FROM named h WHERE h.depth = 0
  ORDER BY h.o;
END
$body$;
