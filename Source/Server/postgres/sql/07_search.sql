-- Places by name, best matches first (0 the name itself, 1 the name begins with the text,
-- 2 one of its words does, 3 the text is somewhere inside), each group by address path:
-- the captions from the top-level place down, joined by "\".
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.FIND_T#LOCATION"(
  "PTEXT" varchar, "PLIMIT" integer DEFAULT NULL, "PSEPARATOR" varchar DEFAULT NULL)
RETURNS TABLE ("ID" integer, "NAME" varchar, "ABBREV_SNAME" varchar, "ABBREV_NAME" varchar,
               "LEVEL#" integer, "ID_PARENT" integer, "PATH" text, "RANK" integer)
LANGUAGE plpgsql STABLE AS $body$
DECLARE
  k text := translate(lower(btrim(coalesce("PTEXT", ''))), 'ё', 'е');
  n integer := least(greatest(coalesce("PLIMIT", 100), 1), 1000);
  sep text := coalesce("PSEPARATOR", '. ');
  pattern text;
  hits integer[];
BEGIN
  IF k = '' THEN
    RETURN;
  END IF;
  pattern := replace(replace(replace(k, '\', '\\'), '%', '\%'), '_', '\_') || '%';
  -- Names that begin with the text come through the index; the scan for the text inside a
  -- name runs only when they do not fill the answer.
  hits := ARRAY(SELECT l.id FROM @SCHEMA@.location l WHERE l.name_key LIKE pattern);
  IF cardinality(hits) < n THEN
    hits := ARRAY(SELECT l.id FROM @SCHEMA@.location l WHERE strpos(l.name_key, k) > 0);
  END IF;
  RETURN QUERY
  WITH RECURSIVE up (hit, id, id_parent, depth) AS (
    SELECT l.id, l.id, l.id_parent, 0 FROM @SCHEMA@.location l WHERE l.id = ANY (hits)
    UNION ALL
    SELECT up.hit, p.id, p.id_parent, up.depth + 1
    FROM up JOIN @SCHEMA@.location p ON p.id = up.id_parent
    WHERE up.depth < 10000
  ), paths AS (
    SELECT up.hit,
           string_agg(CASE WHEN coalesce(a.sname, '') = '' THEN l.name
                           ELSE a.sname || sep || l.name END, '\' ORDER BY up.depth DESC) AS path
    FROM up
    JOIN @SCHEMA@.location l ON l.id = up.id
    JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
    JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
    GROUP BY up.hit
  )
  SELECT l.id, l.name, a.sname, a.name, t.level_no, l.id_parent, p.path,
         CASE WHEN l.name_key = k THEN 0
              WHEN l.name_key LIKE pattern THEN 1
              WHEN strpos(' ' || translate(l.name_key, '-().,/"«»', '         '), ' ' || k) > 0
                THEN 2
              ELSE 3 END AS rank
  FROM paths p
  JOIN @SCHEMA@.location l ON l.id = p.hit
  JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
  JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
  ORDER BY rank, p.path COLLATE "C", l.id
  LIMIT n;
END
$body$;

-- The hits of a search kept for a window under its key (the window's earlier hits go).
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.FILL_T#LOCATION_HITS"(
  "PGUID" varchar(38), "PTEXT" varchar, "PLIMIT" integer DEFAULT NULL,
  "PSEPARATOR" varchar DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  added integer;
BEGIN
  DELETE FROM @SCHEMA@.search_hits WHERE guid = "PGUID";
  INSERT INTO @SCHEMA@.search_hits (guid, hit_no, id, name, abbrev_sname, abbrev_name, level_no,
                                    id_parent, path, hit_rank)
  SELECT "PGUID", f.n, f."ID", f."NAME", f."ABBREV_SNAME", f."ABBREV_NAME", f."LEVEL#",
         f."ID_PARENT", f."PATH", f."RANK"
  FROM @SCHEMA@."QXVERPLOCAT.FIND_T#LOCATION"("PTEXT", "PLIMIT", "PSEPARATOR")
       WITH ORDINALITY AS f("ID", "NAME", "ABBREV_SNAME", "ABBREV_NAME", "LEVEL#", "ID_PARENT",
                            "PATH", "RANK", n);
  GET DIAGNOSTICS added = ROW_COUNT;
  RETURN added;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.DEL_T#LOCATION_HITS"("PGUID" varchar)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  removed integer;
BEGIN
  DELETE FROM @SCHEMA@.search_hits WHERE guid = "PGUID";
  GET DIAGNOSTICS removed = ROW_COUNT;
  RETURN removed;
END
$body$;
